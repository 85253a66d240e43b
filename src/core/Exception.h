#pragma once
// Root of every exception the program raises. Carries the message text, the class name as
// the log shows it, and the code address it was raised at (for the exception log).
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <utility>

// The raise address is the return address of the (never inlined) Exception constructor.
// Subclass constructors are forced inline so that this address lies in the code that
// constructed the exception, the throw site, at every optimisation level. A subclass with
// its own constructor marks it SKIMBAR_RAISE_INLINE and defines it in its header.
#define SKIMBAR_RAISE_INLINE inline __attribute__((always_inline))

class Exception : public std::exception {
public:
    __attribute__((noinline)) explicit Exception(std::string message);
    Exception(const Exception&) = default;
    Exception(Exception&&) = default;
    Exception& operator=(const Exception&) = default;
    Exception& operator=(Exception&&) = default;
    ~Exception() override = default;

    const std::string& Message() const { return FMessage; }
    void SetMessage(std::string message);
    // Class name as the log writes it ("EIdSocketError"); each subclass overrides it.
    virtual const char* ClassName() const { return "Exception"; }
    // Address of the code that raised the exception (first frame outside the exception
    // constructors); 0 when it cannot be told.
    std::uintptr_t RaiseAddress() const { return FAddress; }
    void SetRaiseAddress(std::uintptr_t address) { FAddress = address; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
    std::uintptr_t FAddress = 0;
};

// Declares an exception class with its run-time class name and its base's constructors.
#define SKIMBAR_EXCEPTION(Name, Base)                                                    \
    class Name : public Base {                                                           \
    public:                                                                              \
        template <class... A,                                                            \
                  std::enable_if_t<std::is_constructible_v<Base, A&&...> &&              \
                                       !(sizeof...(A) == 1 &&                            \
                                         (std::is_base_of_v<Name, std::decay_t<A>> && ...)), \
                                   int> = 0>                                             \
        SKIMBAR_RAISE_INLINE explicit Name(A&&... args) : Base(std::forward<A>(args)...) {} \
        const char* ClassName() const override { return #Name; }                        \
    }

// The runtime's conversion error: "'%s' ist kein gültiger Integerwert" and the like.
SKIMBAR_EXCEPTION(EConvertError, Exception);
// The runtime's file and stream errors ("nach %s kann nicht geschrieben werden").
SKIMBAR_EXCEPTION(EInOutError, Exception);
SKIMBAR_EXCEPTION(EFCreateError, Exception);
// The runtime's registry errors ("Ungültiger Datentyp für '%s'", "Konnte Daten für '%s' nicht setzen").
SKIMBAR_EXCEPTION(ERegistryException, Exception);
// Index out of range in string lists ("Listenindex überschreitet das Maximum (%d)").
SKIMBAR_EXCEPTION(EStringListError, Exception);
// Operating-system call failed.
SKIMBAR_EXCEPTION(EOSError, Exception);
// The silent exception: never logged, never shown.
SKIMBAR_EXCEPTION(EAbort, Exception);

// Runtime message texts that the program quotes.
namespace rtl {
inline constexpr const char* SInvalidInteger = "'%s' ist kein gültiger Integerwert";
inline constexpr const char* SCannotWrite = "nach %s kann nicht geschrieben werden";
inline constexpr const char* SInvalidRegType = "Ungültiger Datentyp für '%s'";
inline constexpr const char* SRegSetDataFailed = "Konnte Daten für '%s' nicht setzen";
inline constexpr const char* SListIndexError = "Listenindex überschreitet das Maximum (%d)";
inline constexpr const char* SApplicationError = "Anwendungsfehler";
inline constexpr const char* SExceptionInModule = "Exception %s in Modul %s bei %p.\n%s%s";
// Replaces each %s / %d / %p / %x in turn with the given arguments (already formatted
// texts), "%%" with "%"; a missing argument gives an empty text.
std::string Format(const char* pattern, std::initializer_list<std::string> args);
}  // namespace rtl
