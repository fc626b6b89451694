#pragma once

#include "brevutil/clock.h"
#include "core/errorreport.h"
#include "core/regional.h"
#include "schedule/powermgmt.h"
#include "schedule/volumectrl.h"
#include "video/mediabackend.h"
#include "web/webviewbackend.h"

// The services the board's parts use and a test may replace, each behind the interface its own
// library declares. The program makes one with the system's own (systemServices()) and hands it to
// the window, which passes each part the service it needs; a test builds its own with fakes, or
// gives a part its one fake directly.
struct TServices {
    // "Now" and the random seeds; it must outlive everything the services are handed to.
    const TClock* clock = &systemClock();
    // The formats of settings files and ERROR.LOG; they too must outlive the window.
    const TRegionalFormats* regional = &localeFormats();
    // How an error report is shown.
    ErrorPresenter errorPresenter;
    // The master volume; it must outlive the window.
    VolumeBackend* volume = &systemVolume();
    // The ways of keeping the machine and the display awake, made at the first request.
    TSystemCritical::TInhibitorFactory inhibitors = systemInhibitors;
    // The back end of each video player and of each web page.
    TMediaBackendFactory mediaBackend = makeDefaultMediaBackend;
    TWebViewBackendFactory webViewBackend = makeDefaultWebViewBackend;
};

// The system's clock, regional formats, mixer and inhibitors, the error box, GStreamer and Qt
// WebEngine.
TServices systemServices();
