#include "app/MessageBoxes.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace app {

namespace {

std::unique_ptr<QMessageBox> makeBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption,
                                     const QString& text)
{
    auto box = std::make_unique<QMessageBox>(owner);
    box->setIcon(icon);
    box->setWindowTitle(caption);
    box->setText(text);
    box->setTextFormat(Qt::PlainText);
    return box;
}

}  // namespace

std::unique_ptr<QMessageBox> QtMessageBoxes::questionBox(QWidget* owner, const QString& caption,
                                                         const QString& text)
{
    auto box = makeBox(owner, QMessageBox::Question, caption, text);
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    // The labels are set here rather than left to a translation, which may be missing.
    box->button(QMessageBox::Yes)->setText(QStringLiteral("Sim"));
    box->button(QMessageBox::No)->setText(QStringLiteral("Não"));
    box->setDefaultButton(QMessageBox::Yes);
    return box;
}

std::unique_ptr<QMessageBox> QtMessageBoxes::errorBox(QWidget* owner, const QString& caption, const QString& text)
{
    auto box = makeBox(owner, QMessageBox::Critical, caption, text);
    box->setStandardButtons(QMessageBox::Ok);
    box->button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box->setDefaultButton(QMessageBox::Ok);
    return box;
}

bool QtMessageBoxes::ask(QWidget* owner, const QString& caption, const QString& text)
{
    return questionBox(owner, caption, text)->exec() == QMessageBox::Yes;
}

bool QtMessageBoxes::askDefaultNo(QWidget* owner, const QString& caption, const QString& text)
{
    const std::unique_ptr<QMessageBox> box = questionBox(owner, caption, text);
    box->setDefaultButton(QMessageBox::No);
    return box->exec() == QMessageBox::Yes;
}

void QtMessageBoxes::refuse(QWidget* owner, const QString& caption, const QString& text)
{
    errorBox(owner, caption, text)->exec();
}

}  // namespace app
