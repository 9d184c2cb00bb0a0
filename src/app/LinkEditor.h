#pragma once

#include "app/DatabaseFactory.h"
#include "app/LinkProbe.h"
#include "core/InitStringItems.h"
#include "core/LinkSettings.h"

#include <QComboBox>
#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace app {

class MessageBoxes;

// An editable list of databases that asks for its names each time it is
// opened: listWanted instead of the list, then showList once they are in.
class DatabaseBox final : public QComboBox {
    Q_OBJECT

public:
    explicit DatabaseBox(QWidget* parent);

    void showPopup() override;
    void showList();
    // The names, in their order; the typed text stays as it is.
    void setNames(const QStringList& names);

signals:
    void listWanted();

private:
    bool m_showing = false;
};

using ConnectionFactory = std::function<std::unique_ptr<db::Connection>()>;

// The data link editor: the server, the login and the database of one data
// link file, as the Windows dialog shows them. OK writes the file; Cancelar
// leaves it as it was. Questions to the server run on a thread of their own.
class LinkEditor final : public QDialog {
    Q_OBJECT

public:
    // A missing file opens as a new link, written only on OK.
    explicit LinkEditor(const QString& path, QWidget* parent = nullptr,
                        ConnectionFactory connections = createConnection);
    ~LinkEditor() override;

    LinkEditor(const LinkEditor&) = delete;
    LinkEditor& operator=(const LinkEditor&) = delete;

    void setMessageBoxes(std::unique_ptr<MessageBoxes> messageBoxes);
    const QString& path() const { return m_path; }

    QLineEdit* const server;
    QLabel* const serverHint;
    QLineEdit* const user;
    QLineEdit* const password;
    QCheckBox* const persistPassword;
    DatabaseBox* const database;
    QLabel* const status;
    QPushButton* const testButton;
    QPushButton* const okButton;
    QPushButton* const cancelButton;

    core::LinkSettings typed() const;
    // Whether a question to the server is under way.
    bool isAsking() const { return bool(m_probe); }

    void testConnection();
    void accept() override;
    // While a question is under way the dialog closes once it is answered.
    void done(int result) override;

private:
    void buildForm();
    void ask(LinkProbe::Question question, const QString& problem, const QString& waiting);
    void probeEnded();
    void showStatus(const QString& text, bool failure);

    const QString m_path;
    const core::InitStringItems m_items;
    const ConnectionFactory m_connections;
    std::unique_ptr<MessageBoxes> m_messageBoxes;
    std::unique_ptr<LinkProbe> m_probe;
    std::optional<int> m_closingWith;
};

// The editor on its own, as "--ligacao FICHEIRO" starts it; the exit code.
int runLinkEditor(const QString& path);

// Whether the arguments ask for the editor, before anything reads them.
bool wantsLinkEditor(int argc, char* argv[]);

// The file named after "--ligacao" among the program's arguments; other
// arguments are left to whoever reads them.
std::optional<QString> linkEditorPath(const QStringList& arguments);

}  // namespace app
