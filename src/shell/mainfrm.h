#pragma once

#include "brevutil/brevutil.h"
#include "captions/transparentrichedit.h"
#include "content/folderlist.h"
#include "content/folderpolling.h"
#include "content/playliststep.h"
#include "core/inifile.h"
#include "core/timer.h"
#include "pictures/image.h"
#include "pictures/pictureprefetch.h"
#include "schedule/powermgmt.h"
#include "schedule/scheduletick.h"
#include "schedule/screensavesuppressor.h"
#include "sequencer/slidetick.h"
#include "shell/messagelabel.h"
#include "shell/services.h"
#include "video/mediaplayer.h"
#include "video/panel.h"
#include "web/webbrowser.h"
#include <QWidget>
#include <cstdint>
#include <memory>

// The board's one window. It covers one monitor and shows the items of one folder; everything it
// does is driven by its four timers and the events of its video and web layers.
//
// Layers, bottom to top: the window's own surface with the picture (Image1) and the message label
// (NoFilesLabel) drawn on it, then the child layers VideoPanel, WebBrowser1, TransparentRichEdit1
// and BlankPanel. The children are alien widgets, never native windows, so that a transparent
// caption shows what lies beneath it.
//
// The handlers are short: the logic of each step lives in its subsystem (the slide tick in
// sequencer/, the playlist step and the folder refresh in content/, the timetable tick in
// schedule/), which reaches the window only through the host interface it names.
class TMainFrm : public QWidget,
                 private SlideHost,
                 private PlaylistHost,
                 private ScheduleHost,
                 private ControlFileHost {
    Q_OBJECT
  public:
    // Builds the parts from the stored layout, then runs start-up (FormCreate). An error during
    // start-up is held back and reported once the window is on screen (see reportStartupError).
    // Each part gets the service it needs from services.
    explicit TMainFrm(const TServices& services, QWidget* parent = nullptr);
    ~TMainFrm() override;

    // Parts, in the order they are created.
    TFileListBox FileListBox;
    TBrevUtil* BrevUtil;
    TTimer* NewFilesTimer;
    TTimer* NextImageTimer;
    struct {
        QString Text;
    } filepath;
    TImage Image1;
    TLabel NoFilesLabel;
    TMediaPlayer* MediaPlayer1;
    TVideoPanel* VideoPanel;
    TScreenSaveSuppressor* ScreenSaveSuppressor1;
    // The request that keeps the machine awake. The program's end withdraws it
    // (SetIsCritical(false)) while the application and its display still exist.
    std::unique_ptr<TSystemCritical> SystemCritical;
    TWebBrowser* WebBrowser1;
    TTimer* WBScroll;
    TTransparentRichEdit* TransparentRichEdit1;
    TPanel* BlankPanel;
    TTimer* Schedule;

    // Event handlers.
    void FormCreate();
    void FormClose();
    void NewFilesTimerTimer();
    void NextImageTimerTimer();
    void ScheduleTimer();
    void WBScrollTimer();
    void MediaPlayer1Notify();
    void WebBrowser1DocumentComplete();
    void WebBrowser1NavigateError();

    // The presenters the slide tick dispatches to, and its playlist and caption steps.
    void PlayVideo(const QString& fullPath);
    void ShowWebPage(const QString& fullPath);
    // Chooses the next playlist item: sets imageindex and NextImageTimer's interval and returns
    // true, or shows the playlist message, stops NextImageTimer and returns false.
    bool PlaylistItemSearch();
    // Shows or hides the caption overlay for the item just dispatched.
    void CaptionStep();

    // Asks the window to close as the board itself does (control files): FormClose runs, and when
    // it succeeds the program ends once the calling handler has returned. Every call runs
    // FormClose again.
    void Close();

    // Appends one line to ERROR.LOG in the start directory (see appendLogLine).
    void WriteLog(const QString& text);

    // Shows a text in the message label (and in the journal when diagnostics are on).
    void showMessage(const QString& text) override;

    // Once the window is built: goes on with the show where the copy that failed before this one
    // handed it on (the hand-over on the command line), if it did.
    void takeFailureHandover();

    // Reports the start-up error, if any, through the default error report. Called once the window
    // is shown, so that the window is on screen behind the report.
    void reportStartupError();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    bool closeForm();
    // Playlist mode's end of start-up: the playlist found and with items starts the show, else
    // its message stays. Run again by the folder refresh while playlistPending_.
    void startPlaylist();

    TServices services_;
    void setWindowColor(const QColor& color);

    // SlideHost (mainfrm_slides.cpp).
    void setSlideTimer(bool enabled) override;
    std::uint32_t slideInterval() const override;
    void stopScrolling() override;
    void keepAwake() override;
    void activate() override;
    void setPictureVisible(bool visible) override;
    void hideMessage() override;
    void refresh() override;
    void processEvents() override;
    bool playlistItemSearch() override;
    void showPicture(const QString& path) override;
    void playVideo(const QString& path) override;
    void showWebPage(const QString& path) override;
    void captionStep() override;
    void prefetchPicture(const QString& path) override;
    void writeLog(const QString& text) override;
    void startFreshCopy(const QStringList& arguments) override;
    void reportFailure(const QString& text) override;
    // SlideHost's and ScheduleHost's (mainfrm_slides.cpp).
    void boardReady() override;
    // PlaylistHost (mainfrm_playlist.cpp); it sets the slide interval for SlideHost too.
    void setSlideInterval(std::uint32_t interval) override;
    // ScheduleHost (mainfrm_schedule.cpp).
    bool blankShown() const override;
    void hideBlank() override;
    void showBlank(const QString& text) override;
    // ControlFileHost (mainfrm_polling.cpp).
    void closeBoard() override;
    void reboot() override;

    QString startupError_;
    // The share did not tell at start-up whether the playlist is there.
    bool playlistPending_ = false;
    std::unique_ptr<PicturePrefetcher> prefetch_;
    std::unique_ptr<SlideTick> slideTick_;
};

// Program-wide state of the board, shared by its handlers.
extern TMainFrm* MainFrm;
extern std::unique_ptr<TIniFile> ini;
extern std::unique_ptr<TIniFile> playlist;
extern std::int32_t imageindex;
extern std::int32_t playlistitemindex;
extern bool ShowFileName;
extern bool PollSourceDrive;
extern bool PreventScreenSaver;
extern float VolumeLevel;
// Whether start-up could read VolumeLevel; without it videos and the close leave the volume alone.
extern bool VolumeLevelRead;
extern bool UsePlayList;
