#pragma once

// The data link editor: makes and edits .udl files, from the window's menu or --ligacao.

#include "app/DatabaseFactory.h"
#include "app/editor/LinkProbe.h"
#include "core/links/LinkSettings.h"

#include <QComboBox>
#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

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
    // Why the file cannot be edited without losing part of it; empty when it can.
    const QString& problem() const { return m_document.problem; }

    QLineEdit* const server;
    QLabel* const serverHint;
    QCheckBox* const windowsLogin;
    QLineEdit* const user;
    QLineEdit* const password;
    QCheckBox* const persistPassword;
    DatabaseBox* const database;
    QCheckBox* const encrypt;
    QCheckBox* const trustCertificate;
    QLabel* const status;
    QPushButton* const testButton;
    QPushButton* const okButton;
    QPushButton* const cancelButton;

    // The link as typed, for the file it is saved to.
    core::Link typed() const;
    // With Windows authentication the user and the password are not used.
    void showLoginKind();
    // Whether a question to the server is under way.
    bool isAsking() const { return bool(m_probe); }

    void testConnection();
    void accept() override;
    // A question under way is left to end on its own.
    void done(int result) override;

private:
    void buildForm();
    void ask(LinkProbe::Question question, const QString& problem, const QString& waiting);
    void probeEnded();
    // A question under way ends on its own, its answer unread.
    void letProbeFinish();
    void showStatus(const QString& text, bool failure);

    const QString m_path;
    const core::DataLinkDocument m_document;
    const core::Link m_read;  // the file's link as it was read
    const ConnectionFactory m_connections;
    std::unique_ptr<MessageBoxes> m_messageBoxes;
    std::unique_ptr<LinkProbe> m_probe;
};

// The editor on the file, or a refusal saying why it cannot edit it; whether
// the file was saved.
bool editDataLink(const QString& path, QWidget* parent);

// The editor on its own, as "--ligacao FICHEIRO" starts it; the exit code:
// 0 saved, 1 not.
int runLinkEditor(const QString& path);

}  // namespace app
