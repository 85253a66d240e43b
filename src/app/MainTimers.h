#pragma once
// The two main-window timers that the setup dialog drives. The dialog sees only this, so it
// can be built and tested without the bar.
class TTimer;

class IMainTimers {
public:
    virtual TTimer* GetPollMailTimer() = 0;
    virtual TTimer* GetStayOnTopTimer() = 0;
    // OK with a new account: a poll under way is given up (the next one uses the new account).
    virtual void AccountChanged() {}

protected:
    ~IMainTimers() = default;
};
