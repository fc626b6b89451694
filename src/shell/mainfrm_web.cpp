// The web step, the web view's completion and error handlers, and page scrolling.

#include "core/configcatalog.h"
#include "core/errors.h"
#include "shell/mainfrm.h"

namespace {

// The page's body loses its border, is kept to the view's width and shows no scroll bars. Each
// member is set on its own, in this order; the first that fails ends the styling.
const QStringList& bodyStyleSteps() {
    static const QStringList steps{
        QStringLiteral("document.body.style.borderStyle = 'none';"),
        QStringLiteral("document.body.style.maxWidth = '100%';"),
        QStringLiteral("document.body.setAttribute('scroll', 'no');"),
        QStringLiteral("document.body.style.overflowX = 'hidden';"),
        QStringLiteral("document.body.style.overflowY = 'hidden';"),
    };
    return steps;
}

} // namespace

void TMainFrm::ShowWebPage(const QString& fullPath) {
    VideoPanel->hide();
    // Usually replaced at once by the page itself; the page left from an earlier item must not be
    // what shows while the new one loads.
    WebBrowser1->Navigate(QStringLiteral("about:blank"));
    WebBrowser1->setGeometry(0, 0, width(), height());
    WebBrowser1->show();
    NextImageTimer->setEnabled(false);
    QString address;
    {
        const TIniFile urlfile(fullPath);
        address = urlfile.ReadString(QStringLiteral("InternetShortcut"), QStringLiteral("URL"),
                                     QStringLiteral("about:blank"));
    }
    WebBrowser1->Navigate(address);
}

void TMainFrm::WebBrowser1DocumentComplete() {
    // The engine runs scripts apart from the board: the rest of the handler follows once the
    // styling has run in the page.
    WebBrowser1->RunStatements(bodyStyleSteps(), [this](const QString& failure) {
        if (!failure.isEmpty())
            throw EError(QStringLiteral("The page cannot be styled: ") + failure);
        NextImageTimer->setEnabled(true);
        if (readConfigSwitch(*ini, ConfigKey::ScrollWebpage))
            WBScroll->setEnabled(true);
    });
}

void TMainFrm::WebBrowser1NavigateError() {
    NextImageTimer->setEnabled(true);
}

void TMainFrm::WBScrollTimer() {
    const int speed = readConfigInteger(*ini, ConfigKey::scrollspeed);
    WebBrowser1->ScrollBy(0, speed, [](const QString& failure) {
        throw EError(QStringLiteral("The page cannot be scrolled: ") + failure);
    });
}
