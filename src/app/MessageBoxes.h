#pragma once

#include <QString>
#include <memory>

class QMessageBox;
class QWidget;

namespace app {

// The modal boxes the main window shows. Behind an interface so that the
// window's checks and questions can be driven without a modal loop.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;

    // A question with the buttons "Sim" and "Não"; true when the answer is "Sim".
    virtual bool ask(QWidget* owner, const QString& caption, const QString& text) = 0;
    // The same, for a question whose "Sim" destroys something: Enter answers "Não".
    virtual bool askDefaultNo(QWidget* owner, const QString& caption, const QString& text)
    {
        return ask(owner, caption, text);
    }
    // A refusal with an error icon and an "OK" button.
    virtual void refuse(QWidget* owner, const QString& caption, const QString& text) = 0;
};

// The real boxes, modal to their owner.
class QtMessageBoxes final : public MessageBoxes {
public:
    bool ask(QWidget* owner, const QString& caption, const QString& text) override;
    bool askDefaultNo(QWidget* owner, const QString& caption, const QString& text) override;
    void refuse(QWidget* owner, const QString& caption, const QString& text) override;

    // The boxes as shown, apart from running them.
    static std::unique_ptr<QMessageBox> questionBox(QWidget* owner, const QString& caption, const QString& text);
    static std::unique_ptr<QMessageBox> errorBox(QWidget* owner, const QString& caption, const QString& text);
};

}  // namespace app
