#include "app/window/PasswordQuestion.h"

#include <QInputDialog>
#include <QLineEdit>

namespace app {

bool askMissingPasswords(QWidget* parent, core::LinkFiles& links, const QString& sourcePath,
                         const QString& destinationPath)
{
    for (const core::PasswordWanted& wanted : core::passwordsWanted(links)) {
        QInputDialog dialog(parent);
        dialog.setObjectName(QStringLiteral("PasswordQuestion"));
        dialog.setWindowTitle(QStringLiteral("Palavra-passe"));
        dialog.setInputMode(QInputDialog::TextInput);
        dialog.setTextEchoMode(QLineEdit::Password);
        dialog.setLabelText(core::keepsNoPassword(wanted, wanted.source ? sourcePath : destinationPath) +
                            QStringLiteral("\n\n") + core::passwordPrompt(wanted));
        dialog.setOkButtonText(QStringLiteral("OK"));
        dialog.setCancelButtonText(QStringLiteral("Cancelar"));
        if (dialog.exec() != QDialog::Accepted)
            return false;
        core::givePassword(links, wanted, dialog.textValue());
    }
    return true;
}

}  // namespace app
