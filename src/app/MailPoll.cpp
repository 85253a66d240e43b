#include "app/MailPoll.h"

#include <chrono>
#include <cstdio>

#include "core/Exception.h"
#include "mail/IdMessage.h"
#include "mail/IdPOP3.h"

TMailAccount TMailAccount::FromTexts(const std::string& server, const std::string& user,
                                     const std::string& password, TIdSecurity security,
                                     const std::string& fingerprint) {
    TMailAccount a;
    a.ServerText = server;
    a.ServerTextBad = !SplitServerText(server, a.Host, a.Port, DefaultPortFor(security));
    a.User = user;
    a.Password = password;
    a.Security = security;
    a.Fingerprint = fingerprint;
    return a;
}

void ApplyAccount(const TMailAccount& account, TIdPOP3& client) {
    client.SetHost(account.Host);
    client.SetPort(account.Port);
    client.SetUserId(account.User);
    client.SetPassword(account.Password);
    ApplySecurity(client, account.Security, account.Fingerprint);
}

std::string MailIdentity(const std::string& messageId, const std::string& sender, const std::string& subject,
                         TDateTime date, int size) {
    if (!messageId.empty() && messageId != ProgramItemId) return messageId;
    // FNV-1a over the fields, each closed by a NUL so that no two field splits collide.
    std::uint64_t h = 1469598103934665603ull;
    auto mix = [&h](const std::string& s) {
        for (unsigned char c : s) {
            h ^= c;
            h *= 1099511628211ull;
        }
        h ^= 0;
        h *= 1099511628211ull;
    };
    char number[64];
    std::snprintf(number, sizeof number, "%.9f", date);
    mix(sender);
    mix(number);
    mix(subject);
    mix(std::to_string(size));
    std::snprintf(number, sizeof number, "%016llx", static_cast<unsigned long long>(h));
    // A line break never survives in a header value, so no Message-Id looks like this.
    return std::string("\n") + number;
}

TMailPollJob::TMailPollJob(TMailAccount account, TMailboxMark mark, std::shared_ptr<TIdPOP3> client,
                           TRecordsSink records, TResultSink result)
    : FAccount(std::move(account)),
      FMark(std::move(mark)),
      FRecords(std::move(records)),
      FResult(std::move(result)),
      FClient(std::move(client)) {}

TMailPollJob::~TMailPollJob() = default;

void TMailPollJob::Cancel() {
    FCancelled = true;
    FClient->Cancel();
}

void TMailPollJob::Run() {
    TPollResult result;
    try {
        TIdPOP3& client = *FClient;
        ApplyAccount(FAccount, client);
        try {
            result = Exchange(client);
        } catch (...) {
            result.Outcome = TPollOutcome::Failed;
            result.Error = std::current_exception();
        }
        // Clean-up, also after an exception.
        try {
            if (client.Connected()) client.Disconnect();
        } catch (...) {
            if (!result.Error && result.Outcome != TPollOutcome::ConnectFailed) {
                result.Outcome = TPollOutcome::Failed;
                result.Error = std::current_exception();
            }
        }
    } catch (...) {
        result.Outcome = TPollOutcome::Failed;
        result.Error = std::current_exception();
    }
    // What a cancelled poll ran into is no failure of its own.
    if (FCancelled) result = TPollResult{TPollOutcome::Cancelled, {}, nullptr};
    FResult(std::move(result));
}

TPollResult TMailPollJob::Exchange(TIdPOP3& client) {
    TPollResult result;
    try {
        if (FAccount.ServerTextBad)
            throw EIdException("Invalid port in the server text \"" + FAccount.ServerText + "\"");
        client.Connect();
    } catch (...) {
        result.Outcome = TPollOutcome::ConnectFailed;
        result.Error = std::current_exception();
        return result;
    }
    const int count = client.CountMessages();
    if (count <= 0) return result;  // nothing to show; the last state stays
    // The change test: count, first and last mail. A mail received while another is deleted
    // changes the last one even where the count and the first one stay.
    TIdMessage message(nullptr);
    TMailboxMark mark;
    mark.Count = count;
    message.Clear();
    client.FetchHeader(1, message);
    mark.FirstId = message.MessageId();
    if (count > 1) {
        message.Clear();
        message.SetMessageId("");
        client.FetchHeader(count, message);
        mark.LastId = message.MessageId();
    } else {
        mark.LastId = mark.FirstId;
    }
    if (mark == FMark) return result;
    if (FCancelled) return result;
    result.Outcome = FetchAll(client, count) ? TPollOutcome::Complete : TPollOutcome::Broken;
    result.Mark = mark;
    return result;
}

bool TMailPollJob::FetchAll(TIdPOP3& client, int count) {
    using Clock = std::chrono::steady_clock;
    TIdMessage message(nullptr);
    std::vector<TMailRecord> batch;
    auto last = Clock::now();
    bool complete = true;
    // A server that pipelines gets the commands of the loop ahead of its answers.
    client.AnnounceHeaderAndSizeRange(1, count);
    for (int i = 1; i <= count; ++i) {
        // A lost connection ends the loop instead of a failing command pair per mail.
        if (FCancelled || !client.Connected()) {
            complete = false;
            break;
        }
        message.Clear();
        message.SetMessageId("");
        const bool headerRead = client.FetchHeader(i, message);
        const int size = client.FetchMessageSize(i);
        if (!headerRead) {
            // Half a header makes no item; the next poll fetches the mail again.
            complete = false;
            continue;
        }
        TMailRecord r;
        r.Sender = message.From().Address();
        r.Subject = message.Subject();
        r.Size = size;
        r.Date = message.Date();
        r.Id = MailIdentity(message.MessageId(), r.Sender, r.Subject, r.Date, size);
        batch.push_back(std::move(r));
        if (batch.size() >= BatchSize || Clock::now() - last >= std::chrono::milliseconds(BatchMs)) {
            Flush(batch);
            last = Clock::now();
        }
    }
    Flush(batch);
    return complete && !FCancelled;
}

void TMailPollJob::Flush(std::vector<TMailRecord>& batch) {
    if (batch.empty()) return;
    FRecords(std::move(batch));
    batch.clear();
}
