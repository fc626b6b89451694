// The slide tick (see sequencer/slidetick.h) and what it asks of the window.

#include "brevutil/commandline.h"
#include "core/errorreport.h"
#include "core/restart.h"
#include "core/servicenotify.h"
#include "pictures/fittedpicture.h"
#include "shell/mainfrm.h"
#include <QCoreApplication>

void TMainFrm::NextImageTimerTimer() {
    slideTick_->run();
}

void TMainFrm::takeFailureHandover() {
    slideTick_->takeHandover(readFailureHandover(CommandLine::arguments()));
}

void TMainFrm::setSlideTimer(bool enabled) {
    NextImageTimer->setEnabled(enabled);
}

std::uint32_t TMainFrm::slideInterval() const {
    return NextImageTimer->Interval();
}

void TMainFrm::stopScrolling() {
    WBScroll->setEnabled(false);
}

void TMainFrm::keepAwake() {
    SystemCritical->SetIsCritical(true);
}

void TMainFrm::activate() {
    activateWindow();
}

void TMainFrm::setPictureVisible(bool visible) {
    Image1.Visible = visible;
}

void TMainFrm::hideMessage() {
    NoFilesLabel.Visible = false;
}

void TMainFrm::refresh() {
    update();
}

void TMainFrm::processEvents() {
    QCoreApplication::processEvents();
}

bool TMainFrm::playlistItemSearch() {
    return PlaylistItemSearch();
}

void TMainFrm::showPicture(const QString& path) {
    // A picture the share does not deliver in time is skipped as a missing file is: the item on
    // screen stays.
    std::optional<FittedPicture> ready = prefetch_->picture(path, Image1.fitFor(size()));
    if (!ready)
        return;
    WebBrowser1->hide();
    VideoPanel->hide();
    Image1.setPicture(std::move(*ready));
    update();
}

void TMainFrm::playVideo(const QString& path) {
    PlayVideo(path);
}

void TMainFrm::showWebPage(const QString& path) {
    ShowWebPage(path);
}

void TMainFrm::captionStep() {
    CaptionStep();
}

void TMainFrm::prefetchPicture(const QString& path) {
    prefetch_->prefetch(path, Image1.fitFor(size()));
}

void TMainFrm::boardReady() {
    ServiceNotify::boardReady();
}

void TMainFrm::writeLog(const QString& text) {
    WriteLog(text);
}

void TMainFrm::startFreshCopy(const QStringList& arguments) {
    restartAfterFailure(*BrevUtil, arguments);
}

void TMainFrm::reportFailure(const QString& text) {
    reportError(text, services_.errorPresenter);
}
