// The mail poll cycle of the main window.
#include <exception>
#include <memory>

#include "app/MailAccount.h"
#include "app/MailPanel.h"
#include "app/SecurityControls.h"
#include "app/TrayIcon.h"
#include "app/fMain.h"
#include "app/fSetup.h"
#include "mail/IdMessage.h"
#include "mail/IdPOP3.h"
#include "support/qxCheckBox.h"
#include "support/qxComboBox.h"
#include "support/qxEdit.h"
#include "ui/ExtCtrls.h"
#include "ui/ImgList.h"

namespace {
constexpr const char* ErrorSender = "Mail Server";
constexpr const char* ErrorSubject = "Error connecting to mailbox";
}  // namespace

void TMainForm::PollMailTimerTimer(TObject* Sender) {
    SetTrayIcon(true);

    std::string host;
    int port = DefaultPop3Port;
    const std::string server = SetupForm->POP3qxComboBox->Text();
    const TIdSecurity security = SetupForm->SecurityqxComboBox->Security();
    FServerTextBad = !SplitServerText(server, host, port, DefaultPortFor(security));
    ApplySecurity(*IdPOP3, security, SetupForm->FingerprintqxEdit->Text());
    IdPOP3->SetHost(host);
    IdPOP3->SetPort(port);
    IdPOP3->SetUserId(SetupForm->eMailqxComboBox->Text());
    IdPOP3->SetPassword(SetupForm->PasswordqxEdit->Text());

    bool newItems = false;
    std::exception_ptr escaped;
    if (!IdPOP3->Host().empty() && !IdPOP3->UserId().empty() && !IdPOP3->Password().empty()) {
        PollMailTimer->SetEnabled(false);
        std::unique_ptr<TIdMessage> message(new TIdMessage(this));
        try {
            try {
                if (FServerTextBad) throw EIdException("Invalid port in the server text \"" + server + "\"");
                IdPOP3->Connect();
            } catch (const TLoopStall&) {
                throw;
            } catch (const EIdTlsError& e) {
                // The reason and the offered certificate, so that a trusted one can be pinned.
                SetTrayIcon(true);
                const TTlsErrorItem item = TlsErrorItem(e);
                if (!newItems && AddTickerItem(item.Sender, item.Subject, 0, dt::Now(), "-1")) {
                    newItems = true;
                    Items.back()->SetHint(item.Hint);
                }
            } catch (...) {
                SetTrayIcon(true);
                if (!newItems) newItems = AddTickerItem(ErrorSender, ErrorSubject, 0, dt::Now(), "-1");
            }
            if (IdPOP3->Connected()) {
                SetTrayIcon(true);
                const int count = IdPOP3->CountMessages();
                if (count > 0) {
                    message->Clear();
                    IdPOP3->FetchHeader(1, *message);
                    if (count != LastCount || message->MessageId() != LastFirstId) {
                        LastCount = count;
                        LastFirstId = message->MessageId();
                        // A server that pipelines gets the commands of the loop ahead of its answers.
                        IdPOP3->AnnounceHeaderAndSizeRange(1, count);
                        for (int i = 1; i <= count; ++i) {
                            // A lost connection ends the loop instead of a failing command pair
                            // for every remaining message.
                            if (!IdPOP3->Connected()) break;
                            message->Clear();
                            SetTrayIcon(true);
                            IdPOP3->FetchHeader(i, *message);
                            SetTrayIcon(true);
                            const int size = IdPOP3->FetchMessageSize(i);
                            if (AddTickerItem(message->From().Address(), message->Subject(), size, message->Date(),
                                              message->MessageId()))
                                newItems = true;
                        }
                    }
                }
            }
        } catch (const TLoopStall&) {
            throw;
        } catch (...) {
            escaped = std::current_exception();
        }
        // Clean-up, also after an exception.
        try {
            SetTrayIcon(true);
            message.reset();
            if (IdPOP3->Connected()) IdPOP3->Disconnect();
        } catch (const TLoopStall&) {
            throw;
        } catch (...) {
            if (!escaped) escaped = std::current_exception();
        }
    }

    // Also after an exception in the exchange: the icon returns to idle and polling goes on;
    // the exception then reaches the exception log.
    if (newItems && SetupForm->AutoShowqxCheckBox->Checked() && !Visible()) ShowBar();
    SetTrayIcon(false);
    PollMailTimer->SetInterval(PollMinutesFromText(SetupForm->PollTimeqxEdit->Text()) * 60000);
    PollMailTimer->SetEnabled(true);
    if (escaped) std::rethrow_exception(escaped);
}

void TMainForm::SetTrayIcon(bool active) {
    TIcon icon;
    TrayFrame = TrayFrame - 1;
    if (TrayFrame < 0) TrayFrame = 3;
    if (!active) TrayFrame = 0;
    ImageList->GetIcon(TrayFrame, icon);
    TrayIcon->SetIcon(&icon);
}
