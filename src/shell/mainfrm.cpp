#include "shell/mainfrm.h"

#include "core/configcatalog.h"
#include "core/diagnostics.h"
#include "core/errorlog.h"
#include "core/errorreport.h"
#include "core/errors.h"
#include "core/shareaccess.h"
#include "schedule/volumectrl.h"
#include "schedule/wayland/idleinhibitswitch.h"
#include "shell/placement.h"
#include "shell/wayland/fullscreenstage.h"
#include "shell/wayland/waylandsession.h"
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

TMainFrm* MainFrm = nullptr;
std::unique_ptr<TIniFile> ini;
std::unique_ptr<TIniFile> playlist;
std::int32_t imageindex = 0;
std::int32_t playlistitemindex = 0;
bool ShowFileName = false;
bool PollSourceDrive = false;
bool PreventScreenSaver = false;
float VolumeLevel = 0;
bool VolumeLevelRead = false;
bool UsePlayList = false;

namespace {

constexpr int designWidth = 819;
constexpr int designHeight = 536;

TTimer* makeTimer(QObject* owner, std::uint32_t interval, bool enabled, void (TMainFrm::*handler)(),
                  TMainFrm* frm, const ErrorPresenter& presenter) {
    auto* timer = new TTimer(owner, interval, enabled, presenter);
    timer->OnTimer = [frm, handler] { (frm->*handler)(); };
    return timer;
}

QList<QRect> monitorRects() {
    QList<QRect> rects;
    QStringList named;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect g = screen->geometry();
        rects << g;
        named << QStringLiteral("%1 %2x%3+%4+%5")
                     .arg(screen->name())
                     .arg(g.width())
                     .arg(g.height())
                     .arg(g.x())
                     .arg(g.y());
    }
    // ShowOnMonitor counts in this order, which is Qt's: on a Wayland session it need not follow
    // the outputs' names or places, and it differs between Qt releases.
    diag::event("screens", named.join(QStringLiteral(", ")));
    return rects;
}

} // namespace

TMainFrm::TMainFrm(const TServices& services, QWidget* parent)
    : QWidget(parent), services_(services), prefetch_(std::make_unique<PicturePrefetcher>()) {
    MainFrm = this;
    setWindowTitle(QStringLiteral("Tavorel"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAutoFillBackground(true);
    move(0, 0);
    resize(designWidth, designHeight);

    // The stored layout.
    BrevUtil = new TBrevUtil(this, *services_.clock);
    NewFilesTimer = makeTimer(this, 10000, false, &TMainFrm::NewFilesTimerTimer, this,
                              services_.errorPresenter);
    NextImageTimer = makeTimer(this, 5000, false, &TMainFrm::NextImageTimerTimer, this,
                               services_.errorPresenter);
    NoFilesLabel.Caption = QStringLiteral("Tavorel Board 1.8 is loading...");
    NoFilesLabel.Bounds = QRect(0, 0, designWidth, designHeight);
    NoFilesLabel.Color = palette().color(QPalette::Window);

    MediaPlayer1 = new TMediaPlayer(services_.mediaBackend(), this);
    VideoPanel = new TVideoPanel(this);
    VideoPanel->setObjectName(QStringLiteral("VideoPanel"));
    VideoPanel->hide();
    MediaPlayer1->setDisplay(VideoPanel);
    MediaPlayer1->OnNotify = [this] {
        runReported([this] { MediaPlayer1Notify(); }, services_.errorPresenter);
    };
    // A Wayland session has no X screen saver: the compositor's idle inhibitor on the surface of
    // the board's top-level window (the full-screen stage, made at start-up) stands in for it.
    ScreenSaveSuppressor1 = new TScreenSaveSuppressor(
        this, onWaylandSession()
                  ? makeWaylandIdleInhibitSwitch(this, [this] { return window()->windowHandle(); })
                  : nullptr);

    SystemCritical = std::make_unique<TSystemCritical>(services_.inhibitors);

    WebBrowser1 = new TWebBrowser(this, services_.webViewBackend, services_.errorPresenter);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->OnDocumentComplete = [this] { WebBrowser1DocumentComplete(); };
    WebBrowser1->OnNavigateError = [this] { WebBrowser1NavigateError(); };
    WBScroll = makeTimer(this, 40, false, &TMainFrm::WBScrollTimer, this, services_.errorPresenter);

    TransparentRichEdit1 = new TTransparentRichEdit(this);
    TransparentRichEdit1->setObjectName(QStringLiteral("TransparentRichEdit1"));
    TransparentRichEdit1->setGeometry(34, 408, 185, 89);
    TransparentRichEdit1->setText(QStringLiteral("TransparentRichEdit1"));

    BlankPanel = new TPanel(this);
    BlankPanel->setObjectName(QStringLiteral("BlankPanel"));
    BlankPanel->setFont(boardFont(11, false));
    BlankPanel->setFontColor(Qt::red);
    BlankPanel->setBevelOuter(TPanel::TBevel::Raised);
    BlankPanel->hide();

    Schedule =
        makeTimer(this, 10000, true, &TMainFrm::ScheduleTimer, this, services_.errorPresenter);
    SlideHost& slideHost = *this;
    slideTick_ = std::make_unique<SlideTick>(
        slideHost,
        SlideState{FileListBox, filepath.Text, imageindex, playlistitemindex, UsePlayList,
                   ShowFileName, PollSourceDrive, PreventScreenSaver, playlist});

    try {
        FormCreate();
    } catch (const std::exception& e) {
        startupError_ = exceptionMessage(e);
    } catch (...) {
        startupError_ = QStringLiteral("Unknown error");
    }
}

TMainFrm::~TMainFrm() {
    if (MainFrm == this)
        MainFrm = nullptr;
}

void TMainFrm::FormCreate() {
    // Qt widgets always draw double-buffered.
    WebBrowser1->hide();
    // The share's two lines (it stopped answering, it answers again) go to ERROR.LOG too, without
    // the restart that a failure's lines bring.
    share::setLogSink([this](const QString& text) { WriteLog(text); });
    ini = std::make_unique<TIniFile>(BrevUtil->getstartdir() + QStringLiteral("config.ini"),
                                     *services_.clock, *services_.regional,
                                     TIniFile::Place::StartDirectory);
    FileListBox.setMask(readConfigText(*ini, ConfigKey::ImagesFileMask));
    FileListBox.ApplyFilePath(readConfigText(*ini, ConfigKey::ImagesFolder));
    filepath.Text = readConfigText(*ini, ConfigKey::ImagesFolder);

    // Negative values from the file keep their unsigned 32-bit pattern.
    NewFilesTimer->setInterval(
        static_cast<std::uint32_t>(readConfigInteger(*ini, ConfigKey::NewFilesTimer)));
    NextImageTimer->setInterval(
        static_cast<std::uint32_t>(readConfigInteger(*ini, ConfigKey::NextImageTimer)));
    std::int32_t ShowOnMonitor = readConfigInteger(*ini, ConfigKey::ShowOnMonitor);
    Image1.Stretch = readConfigSwitch(*ini, ConfigKey::StretchImage);
    Image1.Proportional = readConfigSwitch(*ini, ConfigKey::KeepAspectRatio);
    if (readConfigSwitch(*ini, ConfigKey::PollSourceDrive))
        PollSourceDrive = true;

    PreventScreenSaver = false;
    if (readConfigSwitch(*ini, ConfigKey::StopScreenSaver)) {
        ScreenSaveSuppressor1->setActive(true);
        PreventScreenSaver = true;
    }

    try {
        VolumeLevel = GetMasterVolume(*services_.volume);
        VolumeLevelRead = true;
    } catch (const EOSError& e) {
        // A machine without any sound output (no sound server, no mixer) still shows its items;
        // the volume is left alone until a later start can read it.
        const QString line = QStringLiteral("The master volume cannot be read; videos leave it as "
                                            "it is until the next start: ") +
                             exceptionMessage(e).replace(QLatin1String("\r\n"), QLatin1String(" "));
        diag::error(line);
        try {
            WriteLog(line);
        } catch (const std::exception&) {
            // Already on stderr; a log that cannot be written must not stop the start.
        }
    }

    const QList<QRect> monitors = monitorRects();
    ShowOnMonitor = clampMonitor(ShowOnMonitor, static_cast<int>(monitors.size()));
    const std::int32_t OffSetX = readConfigInteger(*ini, ConfigKey::OffsetX);
    const std::int32_t OffSetY = readConfigInteger(*ini, ConfigKey::OffSetY);
    const std::int32_t MaxWidth = readConfigInteger(*ini, ConfigKey::MaxWidth);
    const std::int32_t MaxHeight = readConfigInteger(*ini, ConfigKey::MaxHeight);
    const QRect placed =
        placeWindow(monitors, ShowOnMonitor, OffSetX, OffSetY, MaxWidth, MaxHeight);
    if (onWaylandSession())
        (new TFullScreenStage(QGuiApplication::screens().at(ShowOnMonitor)))->hold(this, placed);
    else
        setGeometry(placed);

    setWindowColor(Qt::black);
    window()->setWindowFlags(window()->windowFlags() | Qt::FramelessWindowHint |
                             Qt::WindowStaysOnTopHint);
    // Nobody uses a pointer on the board; it stays hidden for the rest of the run.
    QGuiApplication::setOverrideCursor(Qt::BlankCursor);
    ShowFileName = readConfigSwitch(*ini, ConfigKey::ShowFileName);

    NoFilesLabel.Bounds = QRect(0, 0, width(), height());
    NoFilesLabel.Transparent = true;
    imageindex = -1;
    UsePlayList = readConfigSwitch(*ini, ConfigKey::UsePlaylist);

    if (!UsePlayList) {
        Schedule->setEnabled(true);
        NewFilesTimer->setEnabled(true);
        NextImageTimer->setEnabled(true);
        return;
    }

    startPlaylist();
}

void TMainFrm::startPlaylist() {
    const QString playlistPath = filepath.Text + QStringLiteral("playlist.ini");
    // A share that does not tell in time leaves the choice to a later folder refresh, which runs
    // meanwhile so that the control files are obeyed; nothing is shown until then.
    const std::optional<bool> there = share::tryIsFile(playlistPath);
    playlistPending_ = !there;
    if (playlistPending_) {
        NewFilesTimer->setEnabled(true);
        return;
    }
    if (!*there) {
        showMessage(QStringLiteral("Cannot find playlist. Expecting it in ") + filepath.Text +
                    QStringLiteral("playlist.ini") +
                    QStringLiteral(", if you do not want to use a playlist then edit config.ini "
                                   "and set UsePlaylist to 0"));
        return;
    }
    playlist = std::make_unique<TIniFile>(playlistPath, *services_.clock, *services_.regional);
    if (playlist->SectionExists(QStringLiteral("Item1"))) {
        playlistitemindex = 1;
        NextImageTimer->setEnabled(true);
        NewFilesTimer->setEnabled(true);
    } else {
        showMessage(QStringLiteral("Playlist in ") + filepath.Text +
                    QStringLiteral("playlist.ini") +
                    QStringLiteral(", has no items. Populate with items, or turnoff playlist in "
                                   "config.ini"));
    }
}

void TMainFrm::FormClose() {
    if (VolumeLevelRead)
        SetMasterVolume(VolumeLevel, *services_.volume);
    MediaPlayer1->Close();
}

void TMainFrm::WriteLog(const QString& text) {
    appendLogLine(BrevUtil->getstartdir() + QStringLiteral("ERROR.LOG"), text,
                  services_.clock->today(), services_.regional->current());
    diag::event("logged", text);
}

void TMainFrm::showMessage(const QString& text) {
    NoFilesLabel.Caption = text;
    NoFilesLabel.Visible = true;
    diag::event("message", text);
    update();
}

void TMainFrm::reportStartupError() {
    if (startupError_.isEmpty())
        return;
    const QString message = std::exchange(startupError_, QString());
    reportError(message, services_.errorPresenter);
}

bool TMainFrm::closeForm() {
    diag::event("close", QStringLiteral("the window closes"));
    if (!runReported([this] { FormClose(); }, services_.errorPresenter))
        return false;
    QCoreApplication::exit(0);
    return true;
}

void TMainFrm::Close() {
    if (closeForm())
        hide();
}

void TMainFrm::closeEvent(QCloseEvent* event) {
    if (closeForm())
        event->accept();
    else
        event->ignore();
}

void TMainFrm::setWindowColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    setPalette(p);
}

void TMainFrm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Image1.paint(painter, size());
    NoFilesLabel.paint(painter);
}

void TMainFrm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The video, web and blank layers fill the window; the caption box keeps its own place.
    VideoPanel->setGeometry(rect());
    WebBrowser1->setGeometry(rect());
    BlankPanel->setGeometry(rect());
}
