#include "app/editor/LinkEditor.h"

#include "app/MessageBoxes.h"
#include "core/links/DataLinkFile.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <chrono>

namespace app {

namespace {

const QString kCaptionError = QStringLiteral("Erro");
const QString kCaptionConfirm = QStringLiteral("Confirmação");

// About the login timeout: a server that stops answering a question is given
// up on within twice this (the statement, then its cancel).
constexpr std::chrono::seconds kProbeTimeout{15};

}  // namespace

DatabaseBox::DatabaseBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // A database is named exactly; completing "loja" into "Loja2" would name another.
    setCompleter(nullptr);
    setToolTip(QStringLiteral("Abra a lista para a obter do servidor, com o servidor, o utilizador e a palavra-passe "
                              "escritos acima."));
}

void DatabaseBox::showPopup()
{
    if (m_showing)
        QComboBox::showPopup();
    else
        emit listWanted();
}

void DatabaseBox::showList()
{
    m_showing = true;
    QComboBox::showPopup();
    m_showing = false;
}

void DatabaseBox::setNames(const QStringList& names)
{
    const QString typedText = currentText();
    clear();
    addItems(names);
    setCurrentIndex(-1);
    setEditText(typedText);
}

LinkEditor::LinkEditor(const QString& path, QWidget* parent, ConnectionFactory connections)
    : QDialog(parent),
      server(new QLineEdit(this)),
      serverHint(new QLabel(this)),
      windowsLogin(new QCheckBox(this)),
      user(new QLineEdit(this)),
      password(new QLineEdit(this)),
      persistPassword(new QCheckBox(this)),
      database(new DatabaseBox(this)),
      encrypt(new QCheckBox(this)),
      trustCertificate(new QCheckBox(this)),
      status(new QLabel(this)),
      testButton(new QPushButton(this)),
      okButton(new QPushButton(this)),
      cancelButton(new QPushButton(this)),
      m_path(path),
      m_document(core::loadDataLink(path)),
      m_read(core::settingsOf(m_document.items)),
      m_connections(std::move(connections)),
      m_messageBoxes(std::make_unique<QtMessageBoxes>())
{
    buildForm();

    server->setText(m_read.server);
    windowsLogin->setChecked(m_read.login == core::LinkLogin::Windows);
    user->setText(m_read.user);
    password->setText(m_read.password);
    persistPassword->setChecked(m_read.persistPassword);
    database->setEditText(m_read.database);
    encrypt->setChecked(m_read.asksEncryption());
    trustCertificate->setChecked(m_read.trustServerCertificate);
    showLoginKind();

    if (!m_document.problem.isEmpty())
        showStatus(m_document.problem, true);
    else if (!m_read.problem.isEmpty())
        showStatus(QStringLiteral("Neste ficheiro, %1: OK escreve-o com o que está escolhido aqui.").arg(m_read.problem),
                   true);
    else if (m_document.foreign)
        showStatus(QStringLiteral("Este ficheiro não é um ficheiro de ligação: "
                                  "OK pergunta antes de o substituir por uma ligação nova."),
                   true);
}

LinkEditor::~LinkEditor()
{
    letProbeFinish();
}

void LinkEditor::letProbeFinish()
{
    if (!m_probe)
        return;
    m_probe->disconnect(this);
    LinkProbe::letFinish(std::move(m_probe));
    testButton->setEnabled(true);
}

void LinkEditor::setMessageBoxes(std::unique_ptr<MessageBoxes> messageBoxes)
{
    m_messageBoxes = std::move(messageBoxes);
}

void LinkEditor::buildForm()
{
    setWindowTitle(QStringLiteral("Propriedades da ligação de dados - %1").arg(QFileInfo(m_path).fileName()));

    serverHint->setText(QStringLiteral("Formas aceites: host, host\\instância, host,porta"));
    serverHint->setEnabled(false);
    windowsLogin->setText(QStringLiteral("Usar a autenticação do Windows"));
    windowsLogin->setToolTip(QStringLiteral("Entra no servidor o utilizador que abriu a sessão no Windows: "
                                            "o ficheiro não guarda utilizador nem palavra-passe."));
    password->setEchoMode(QLineEdit::Password);
    persistPassword->setText(QStringLiteral("Permitir guardar a palavra-passe"));
    persistPassword->setToolTip(QStringLiteral("Sem esta opção a palavra-passe não fica no ficheiro, "
                                               "e cada conversão a pede."));
    encrypt->setText(QStringLiteral("Cifrar a ligação"));
    encrypt->setToolTip(QStringLiteral("Os dados só passam cifrados: sem cifra no servidor, ou com um certificado em "
                                       "que não se confia, não há ligação."));
    trustCertificate->setText(QStringLiteral("Confiar no certificado do servidor"));
    trustCertificate->setToolTip(QStringLiteral("Cifra sem verificar quem assinou o certificado do servidor: só para um "
                                                "servidor que conhece."));
    status->setWordWrap(true);
    status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status->setMinimumHeight(status->fontMetrics().lineSpacing() * 3);
    status->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    testButton->setText(QStringLiteral("Testar ligação"));
    testButton->setAutoDefault(false);
    okButton->setText(QStringLiteral("OK"));
    okButton->setDefault(true);
    cancelButton->setText(QStringLiteral("Cancelar"));
    cancelButton->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Servidor:"), server);
    form->addRow(QString(), serverHint);
    form->addRow(QString(), windowsLogin);
    form->addRow(QStringLiteral("&Utilizador:"), user);
    form->addRow(QStringLiteral("&Palavra-passe:"), password);
    form->addRow(QString(), persistPassword);
    form->addRow(QStringLiteral("&Base de dados:"), database);
    form->addRow(QString(), encrypt);
    form->addRow(QString(), trustCertificate);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(testButton);
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    auto* page = new QVBoxLayout(this);
    page->addLayout(form);
    page->addWidget(status);
    page->addLayout(buttons);
    setMinimumWidth(440);

    setTabOrder(server, windowsLogin);
    setTabOrder(windowsLogin, user);
    setTabOrder(user, password);
    setTabOrder(password, persistPassword);
    setTabOrder(persistPassword, database);
    setTabOrder(database, encrypt);
    setTabOrder(encrypt, trustCertificate);
    setTabOrder(trustCertificate, testButton);
    setTabOrder(testButton, okButton);
    setTabOrder(okButton, cancelButton);

    connect(windowsLogin, &QCheckBox::toggled, this, &LinkEditor::showLoginKind);
    connect(testButton, &QPushButton::clicked, this, &LinkEditor::testConnection);
    connect(okButton, &QPushButton::clicked, this, &LinkEditor::accept);
    connect(cancelButton, &QPushButton::clicked, this, &LinkEditor::reject);
    connect(database, &DatabaseBox::listWanted, this, [this] {
        ask(LinkProbe::Question::ListDatabases, core::loginProblem(typed()),
            QStringLiteral("A obter a lista das bases de dados..."));
    });
}

void LinkEditor::showLoginKind()
{
    const bool ownLogin = !windowsLogin->isChecked();
    user->setEnabled(ownLogin);
    password->setEnabled(ownLogin);
    persistPassword->setEnabled(ownLogin);
}

core::Link LinkEditor::typed() const
{
    // The provider and the items the editor does not show, as the file has them.
    core::Link link = m_read;
    link.path = m_path;
    link.problem.clear();
    link.server = server->text();
    link.user = user->text();
    link.password = password->text();
    link.keepsPassword = true;
    link.login = core::loginOf(windowsLogin->isChecked(), link.providerKind, link.user);
    link.persistPassword = persistPassword->isChecked();
    link.database = database->currentText();
    link.encryption = core::chosenEncryption(m_read, encrypt->isChecked());
    link.trustServerCertificate = trustCertificate->isChecked();
    return link;
}

void LinkEditor::testConnection()
{
    // What cannot be saved is not tested either: the test is for the file.
    ask(LinkProbe::Question::TestConnection, core::settingsProblem(m_document.items, typed()),
        QStringLiteral("A testar a ligação..."));
}

void LinkEditor::ask(LinkProbe::Question question, const QString& problem, const QString& waiting)
{
    if (m_probe)
        return;
    if (!problem.isEmpty()) {
        showStatus(problem, true);
        return;
    }
    std::unique_ptr<db::Connection> connection = m_connections();
    connection->setStatementTimeout(kProbeTimeout);
    m_probe = std::make_unique<LinkProbe>(question, typed(), std::move(connection));
    connect(m_probe.get(), &QThread::finished, this, &LinkEditor::probeEnded, Qt::QueuedConnection);
    testButton->setEnabled(false);
    showStatus(waiting, false);
    m_probe->start();
}

void LinkEditor::probeEnded()
{
    if (!m_probe)
        return;
    m_probe->wait();
    const std::unique_ptr<LinkProbe> probe = std::move(m_probe);
    testButton->setEnabled(true);

    if (!probe->succeeded()) {
        showStatus(probe->failure(), true);
    } else if (probe->question() == LinkProbe::Question::TestConnection) {
        showStatus(QStringLiteral("Ligação testada com sucesso."), false);
    } else if (probe->databases().isEmpty()) {
        showStatus(QStringLiteral("O servidor não indicou nenhuma base de dados a que este utilizador tenha acesso."),
                   true);
    } else {
        showStatus(QString(), false);
        database->setNames(probe->databases());
        database->showList();
    }
}

void LinkEditor::showStatus(const QString& text, bool failure)
{
    QPalette palette = status->palette();
    palette.setColor(QPalette::WindowText, failure ? QColor(Qt::darkRed) : this->palette().color(QPalette::WindowText));
    status->setPalette(palette);
    status->setText(text);
}

void LinkEditor::accept()
{
    if (m_document.foreign && m_document.problem.isEmpty() &&
        !m_messageBoxes->askDefaultNo(this, kCaptionConfirm,
                                      QStringLiteral("O ficheiro %1 não é um ficheiro de ligação. Deseja substituir "
                                                     "todo o seu conteúdo por esta ligação?")
                                          .arg(m_path)))
        return;
    QString error;
    if (!core::saveDataLink(m_path, m_document, typed(), &error)) {
        m_messageBoxes->refuse(this, kCaptionError, error);
        return;
    }
    done(QDialog::Accepted);
}

void LinkEditor::done(int result)
{
    // A server that stops answering keeps the question going for as long as
    // its timeouts allow; the dialog does not wait for it.
    letProbeFinish();
    QDialog::done(result);
}

bool editDataLink(const QString& path, QWidget* parent)
{
    LinkEditor editor(path, parent);
    if (!editor.problem().isEmpty()) {
        QtMessageBoxes().refuse(parent, kCaptionError, editor.problem());
        return false;
    }
    return editor.exec() == QDialog::Accepted;
}

int runLinkEditor(const QString& path)
{
    return editDataLink(QFileInfo(path).absoluteFilePath(), nullptr) ? 0 : 1;
}

}  // namespace app
