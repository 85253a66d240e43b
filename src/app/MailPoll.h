#pragma once
// The network part of one poll, on a worker thread of its own: connect, log in, STAT, the
// change test, the header and size of every mail, Quit. It touches no control, form or timer:
// what it finds goes to a sink, which the main window hands to its own thread.
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/MailAccount.h"
#include "core/DateTime.h"

class TIdPOP3;
class TIdMessage;

// The account as the setup dialog holds it when a poll starts, copied on the user-interface
// thread. Whatever else a connection needs belongs here too, so that ApplyAccount stays the
// one place that configures the worker's client.
struct TMailAccount {
    std::string ServerText;
    std::string Host;
    int Port = DefaultPop3Port;
    bool ServerTextBad = false;  // a port that is no port: a connection error
    std::string User;
    std::string Password;
    TIdSecurity Security = TIdSecurity::None;
    std::string Fingerprint;  // pinned certificate, empty: the chain is checked

    // The default port follows the security mode when the server text names none.
    static TMailAccount FromTexts(const std::string& server, const std::string& user, const std::string& password,
                                  TIdSecurity security = TIdSecurity::None, const std::string& fingerprint = {});
    // All of server, user and password given: a poll talks to the server.
    bool Complete() const { return !Host.empty() && !User.empty() && !Password.empty(); }
};

// Configures the client for the account (host, port, user, password, security).
void ApplyAccount(const TMailAccount& account, TIdPOP3& client);

// One mail, as the strip shows it.
struct TMailRecord {
    std::string Sender;
    std::string Subject;
    int Size = -1;
    TDateTime Date = 0;
    std::string Id;  // MailIdentity
};

// The key a mail is known by: its Message-Id, or, without a usable one, a digest of its
// sender, date, subject and size (which no Message-Id can equal). The id "-1" marks the
// program's own items, so a mail carrying it is taken as one without a Message-Id.
std::string MailIdentity(const std::string& messageId, const std::string& sender, const std::string& subject,
                         TDateTime date, int size);
// The key of the program's own items (welcome, error, "no new mails").
inline constexpr const char* ProgramItemId = "-1";

// What the change test compares: the mailbox as the last complete fetch found it.
struct TMailboxMark {
    int Count = 0;
    std::string FirstId;
    std::string LastId;
    bool operator==(const TMailboxMark& o) const {
        return Count == o.Count && FirstId == o.FirstId && LastId == o.LastId;
    }
};

enum class TPollOutcome {
    Unchanged,      // nothing changed since Mark (or an empty mailbox)
    Complete,       // every mail was fetched: Mark is the new state
    Broken,         // the fetch loop ended early (lost connection, a header that failed)
    ConnectFailed,  // connection or login failed: the error item
    Failed,         // another exception after connecting: the exception log
    Cancelled,
};

struct TPollResult {
    TPollOutcome Outcome = TPollOutcome::Unchanged;
    TMailboxMark Mark;           // for Complete
    std::exception_ptr Error;    // for ConnectFailed and Failed
};

class TMailPollJob {
public:
    // Records of a change, in mailbox order, a few at a time; then the result, once.
    using TRecordsSink = std::function<void(std::vector<TMailRecord>&&)>;
    using TResultSink = std::function<void(TPollResult&&)>;
    // Records go out in batches of at most this many, or after this long.
    static constexpr std::size_t BatchSize = 200;
    static constexpr int BatchMs = 20;

    // The client is configured for the account and used by this job alone while it runs; one
    // kept from poll to poll remembers what its servers can do. A cancelled one is spent.
    TMailPollJob(TMailAccount account, TMailboxMark mark, std::shared_ptr<TIdPOP3> client, TRecordsSink records,
                 TResultSink result);
    ~TMailPollJob();
    TMailPollJob(const TMailPollJob&) = delete;
    TMailPollJob& operator=(const TMailPollJob&) = delete;

    // Runs the poll on the calling thread (the worker).
    void Run();
    // Any thread: the socket is shut down and the worker ends soon, reporting Cancelled.
    void Cancel();
    bool Cancelled() const { return FCancelled.load(); }

private:
    TPollResult Exchange(TIdPOP3& client);
    bool FetchAll(TIdPOP3& client, int count);
    void Flush(std::vector<TMailRecord>& batch);

    TMailAccount FAccount;
    TMailboxMark FMark;
    TRecordsSink FRecords;
    TResultSink FResult;
    std::atomic<bool> FCancelled{false};
    std::shared_ptr<TIdPOP3> FClient;
};
