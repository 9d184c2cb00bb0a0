#include "app/editor/LinkMenu.h"

#include "app/editor/LinkEditor.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <memory>

namespace app {

namespace {

bool namesAFile(const QLineEdit* box)
{
    return QFileInfo(box->text()).isFile();
}

QString newLinkPath(QLineEdit* box, const QString& suggestedName)
{
    QFileDialog dialog(box->window(), QStringLiteral("Nova ligação"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("Ficheiro de Ligação (*.udl)"));
    dialog.setDefaultSuffix(QStringLiteral("udl"));
    // An existing file chosen here opens in the editor and is only replaced on OK.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Guardar em:"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Nome do ficheiro:"));
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Ficheiros do tipo:"));
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Guardar"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Cancelar"));
    dialog.selectFile(box->text().isEmpty() ? suggestedName : box->text());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
}

}  // namespace

void offerLinkEditing(QLineEdit* box, const QString& suggestedName)
{
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(box, &QLineEdit::customContextMenuRequested, box, [box, suggestedName](const QPoint& at) {
        const std::unique_ptr<QMenu> menu(box->createStandardContextMenu());
        menu->addSeparator();
        const QAction* link =
            menu->addAction(namesAFile(box) ? QStringLiteral("Editar ligação…") : QStringLiteral("Nova ligação…"));
        if (menu->exec(box->mapToGlobal(at)) == link)
            editLinkOf(box, suggestedName);
    });
}

void editLinkOf(QLineEdit* box, const QString& suggestedName)
{
    const bool existing = namesAFile(box);
    const QString path = existing ? box->text() : newLinkPath(box, suggestedName);
    if (path.isEmpty())
        return;
    if (editDataLink(path, box->window()) && !existing)
        box->setText(path);
}

}  // namespace app
