#include "app/window/Main.h"

#include "app/DatabaseFactory.h"
#include "app/MessageBoxes.h"
#include "app/editor/LinkMenu.h"
#include "app/window/PasswordQuestion.h"
#include "app/window/Processar.h"
#include "core/links/LinkFiles.h"
#include "core/run/Questions.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QUrl>

#include <algorithm>
#include <limits>

// Resources compiled into a static library are registered only when asked for.
static void initGlyphResources()
{
    Q_INIT_RESOURCE(glyphs);
}

TProcessar* ActiveProcessar = nullptr;

namespace {

const QString kCaptionQuestion = QStringLiteral("Confirmação");
const QString kCaptionError = QStringLiteral("Erro");

QFont formFont()
{
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma")))
        return QFont(QStringLiteral("Tahoma"), 8);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(11);
    return font;
}

// The browse glyph, with the colour of its bottom-left pixel see-through.
QIcon searchGlyph()
{
    initGlyphResources();
    const QImage image(QStringLiteral(":/glyphs/search.png"));
    QPixmap pixmap = QPixmap::fromImage(image);
    if (!image.isNull())
        pixmap.setMask(pixmap.createMaskFromColor(image.pixelColor(0, image.height() - 1), Qt::MaskInColor));
    return QIcon(pixmap);
}

struct LabelPlace {
    QLabel* label;
    QRect designed;
};

// The labels end where their designed boxes end, just left of the edit boxes.
// A font wider than the one they were laid out for lets them grow to the left,
// as far as the leftmost of them starts, and beyond that narrows their
// letters, all of them alike, so the captions stay whole.
void placeLabels(std::initializer_list<LabelPlace> places)
{
    int margin = std::numeric_limits<int>::max();
    int right = 0;
    for (const LabelPlace& place : places) {
        margin = std::min(margin, place.designed.left());
        right = std::max(right, place.designed.right() + 1);
    }
    const int room = right - margin;
    // Hinting keeps widths from scaling evenly with the stretch, so it is found by trying.
    const auto widestAt = [&](int stretch) {
        int widest = 0;
        for (const LabelPlace& place : places) {
            QFont font = place.label->font();
            font.setStretch(stretch);
            widest = std::max(widest, QFontMetrics(font).horizontalAdvance(place.label->text()));
        }
        return widest;
    };
    int stretch = 100;
    while (stretch > 50 && widestAt(stretch) > room)
        --stretch;

    for (const LabelPlace& place : places) {
        QLabel* label = place.label;
        if (stretch != 100) {
            QFont font = label->font();
            font.setStretch(stretch);
            label->setFont(font);
        }
        const int end = place.designed.right() + 1;
        const int needed = label->fontMetrics().horizontalAdvance(label->text());
        const int left = std::max(margin, std::min(place.designed.left(), end - needed));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setGeometry(left, place.designed.top(), end - left, place.designed.height());
    }
}

}  // namespace

TfrmMain::TfrmMain() : TfrmMain(app::createConnection()) {}

TfrmMain::TfrmMain(std::unique_ptr<db::Connection> connection)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint),
      Origem(new QLineEdit(this)),
      Label1(new QLabel(this)),
      btSearch(new QToolButton(this)),
      Destino(new QLineEdit(this)),
      Label2(new QLabel(this)),
      btSearch2(new QToolButton(this)),
      AbrirUDL(new QFileDialog(this)),
      Log(new QPlainTextEdit(this)),
      Progress(new QProgressBar(this)),
      Button1(new QPushButton(this)),
      btVerificar(new QPushButton(this)),
      btRelatorio(new QPushButton(this)),
      cn(std::move(connection)),
      q_exec(cn->createQuery(QStringLiteral("q_exec"))),
      q_aux(cn->createQuery(QStringLiteral("q_aux"))),
      m_messageBoxes(std::make_unique<app::QtMessageBoxes>())
{
    buildForm();
}

TfrmMain::~TfrmMain()
{
    // The worker uses the controls and the database layer until it has gone.
    if (m_processar) {
        m_processar->wait();
        m_processar.reset();
    }
}

void TfrmMain::setMessageBoxes(std::unique_ptr<app::MessageBoxes> messageBoxes)
{
    m_messageBoxes = std::move(messageBoxes);
}

void TfrmMain::buildForm()
{
    setWindowTitle(QStringLiteral("Conversão de Dados (Sistema Dunavel)"));
    setFixedSize(630, 309);
    setFont(formFont());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    setPalette(palette);
    setAutoFillBackground(true);

    Label1->setText(QStringLiteral("Base de Dados Original"));
    Label2->setText(QStringLiteral("Base de Dados Destino (Kovara)"));
    placeLabels({{Label1, QRect(39, 11, 110, 13)}, {Label2, QRect(8, 38, 141, 13)}});

    Origem->setGeometry(155, 8, 438, 21);
    Destino->setGeometry(155, 35, 438, 21);
    app::offerLinkEditing(Origem, QStringLiteral("origem.udl"));
    app::offerLinkEditing(Destino, QStringLiteral("destino.udl"));

    const QIcon glyph = searchGlyph();
    for (QToolButton* button : {btSearch, btSearch2}) {
        button->setIcon(glyph);
        button->setIconSize(QSize(16, 16));
        button->setFocusPolicy(Qt::NoFocus);
    }
    btSearch->setGeometry(599, 8, 23, 21);
    btSearch2->setGeometry(599, 35, 23, 21);

    AbrirUDL->setAcceptMode(QFileDialog::AcceptOpen);
    AbrirUDL->setFileMode(QFileDialog::AnyFile);
    AbrirUDL->setNameFilter(QStringLiteral("Ficheiro de Ligação (*.udl)"));
    AbrirUDL->setDefaultSuffix(QStringLiteral("udl"));
    // The toolkit's translation may be missing or partial; the words a user reads first are set here.
    AbrirUDL->setWindowTitle(QStringLiteral("Abrir"));
    AbrirUDL->setLabelText(QFileDialog::LookIn, QStringLiteral("Procurar em:"));
    AbrirUDL->setLabelText(QFileDialog::FileName, QStringLiteral("Nome do ficheiro:"));
    AbrirUDL->setLabelText(QFileDialog::FileType, QStringLiteral("Ficheiros do tipo:"));
    AbrirUDL->setLabelText(QFileDialog::Accept, QStringLiteral("Abrir"));
    AbrirUDL->setLabelText(QFileDialog::Reject, QStringLiteral("Cancelar"));

    Log->setGeometry(8, 62, 614, 204);
    Log->setReadOnly(true);
    Log->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Log->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Log->setFocusPolicy(Qt::StrongFocus);
    Log->setTabChangesFocus(true);

    Progress->setGeometry(8, 272, 371, 29);
    Progress->setRange(0, 8);
    Progress->setValue(0);
    Progress->setTextVisible(false);
    Progress->setFocusPolicy(Qt::NoFocus);

    Button1->setGeometry(547, 272, 75, 29);
    Button1->setText(QStringLiteral("Converter"));
    Button1->setAutoDefault(false);
    Button1->setDefault(false);

    // Beside Converter, Alt+V: the dry run the guide asks for before every conversion.
    btVerificar->setGeometry(466, 272, 75, 29);
    btVerificar->setText(QStringLiteral("&Verificar"));
    btVerificar->setToolTip(QStringLiteral("Faz a conversão sem alterar nada e diz o que ficaria no destino"));
    btRelatorio->setGeometry(385, 272, 75, 29);
    btRelatorio->setText(QStringLiteral("&Relatório"));
    btRelatorio->setEnabled(false);
    for (QPushButton* button : {btVerificar, btRelatorio}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    setTabOrder(Origem, Destino);
    setTabOrder(Destino, Log);
    setTabOrder(Log, btRelatorio);
    setTabOrder(btRelatorio, btVerificar);
    setTabOrder(btVerificar, Button1);
    Origem->setFocus();

    connect(btSearch, &QToolButton::clicked, this, &TfrmMain::btSearchClick);
    connect(btSearch2, &QToolButton::clicked, this, &TfrmMain::btSearch2Click);
    connect(Button1, &QPushButton::clicked, this, &TfrmMain::Button1Click);
    connect(btVerificar, &QPushButton::clicked, this, &TfrmMain::btVerificarClick);
    connect(btRelatorio, &QPushButton::clicked, this, &TfrmMain::btRelatorioClick);
}

void TfrmMain::showEvent(QShowEvent* event)
{
    if (!m_placed) {
        m_placed = true;
        if (const QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QWidget::showEvent(event);
}

void TfrmMain::btSearchClick()
{
    chooseLinkFile(Origem);
}

void TfrmMain::btSearch2Click()
{
    chooseLinkFile(Destino);
}

void TfrmMain::chooseLinkFile(QLineEdit* target)
{
    if (!m_lastLinkFile.isEmpty())
        AbrirUDL->selectFile(m_lastLinkFile);
    if (AbrirUDL->exec() != QDialog::Accepted)
        return;
    const QStringList chosen = AbrirUDL->selectedFiles();
    if (chosen.isEmpty())
        return;
    m_lastLinkFile = QFileInfo(chosen.first()).absoluteFilePath();
    target->setText(m_lastLinkFile);
}

void TfrmMain::Button1Click()
{
    if (ActiveProcessar) {
        waitForProcessar();
        return;
    }

    if (!m_messageBoxes->ask(this, kCaptionQuestion, core::kAskConvert))
        return;

    prepareRun(false);
}

// Nothing is emptied by a dry run: it asks no question about it.
void TfrmMain::btVerificarClick()
{
    if (ActiveProcessar)
        return;
    prepareRun(true);
}

// Everything a run needs once it may go ahead, the same for a conversion and a dry run.
void TfrmMain::prepareRun(bool verifyOnly)
{
    Log->clear();

    core::LinkFiles links = core::readLinkFiles(Origem->text(), Destino->text());
    if (!links.accepted()) {
        m_messageBoxes->refuse(this, kCaptionError, links.refusal);
        return;
    }
    if (!app::askMissingPasswords(this, links, Origem->text(), Destino->text()))
        return;

    const bool stocks = m_messageBoxes->ask(this, kCaptionQuestion, core::kAskStocks);
    startProcessar(links.source, links.destination, stocks, verifyOnly);
}

void TfrmMain::startProcessar(const core::Link& source, const core::Link& destination, bool stocks, bool verifyOnly)
{
    // Until this run's own report is there, no other run's is offered.
    m_reportPath.clear();
    btRelatorio->setEnabled(false);
    btRelatorio->setToolTip(QString());
    m_processar = std::make_unique<TProcessar>(this, source, destination, stocks, verifyOnly);
    // The worker is freed on this thread once its thread has ended, after every
    // line and step it sent has been shown.
    connect(m_processar.get(), &QThread::finished, this, &TfrmMain::processarEnded, Qt::QueuedConnection);
    ActiveProcessar = m_processar.get();
    m_processar->start();
}

// Comes while the run still ends; the button waits until it has.
void TfrmMain::offerReport(const QString& path)
{
    m_reportPath = path;
    btRelatorio->setToolTip(QDir::toNativeSeparators(path));
}

// In the system's browser, which also prints it.
void TfrmMain::btRelatorioClick()
{
    if (!m_reportPath.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(m_reportPath));
}

void TfrmMain::processarEnded()
{
    if (!m_processar)
        return;
    m_processar->wait();
    m_processar.reset();
    btRelatorio->setEnabled(!m_reportPath.isEmpty());
}

// Cancelar does not shorten a run: the window keeps handling events, so the
// log and the bar keep moving, until the worker has gone.
void TfrmMain::waitForProcessar()
{
    if (!ActiveProcessar)
        return;
    ActiveProcessar->requestInterruption();
    while (ActiveProcessar)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    waitForProcessar();
    QWidget::closeEvent(event);
}
