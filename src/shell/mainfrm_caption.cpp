// The caption step of the slide tick.

#include "captions/captionlayout.h"
#include "core/diagnostics.h"
#include "core/shareaccess.h"
#include "shell/mainfrm.h"

namespace {

void hideCaption(TTransparentRichEdit* overlay) {
    if (overlay->isVisible())
        diag::event("caption", QStringLiteral("hidden"));
    overlay->hide();
}

} // namespace

void TMainFrm::CaptionStep() {
    if (!UsePlayList || !playlist) {
        hideCaption(TransparentRichEdit1);
        return;
    }
    const QString section = QStringLiteral("Item") + QString::number(playlistitemindex);
    const QString name = playlist->ReadString(section, QStringLiteral("AddRichText"), QString());
    if (name.isEmpty()) {
        hideCaption(TransparentRichEdit1);
        return;
    }
    // A caption file that is missing is no failure: the item is shown without one. Nor is one the
    // share does not deliver in time.
    const QString path = filepath.Text + name;
    const std::optional<QByteArray> bytes =
        share::isFile(path)
            ? share::call<QByteArray>(path, [path] { return TTransparentRichEdit::ReadFile(path); })
            : std::nullopt;
    if (!bytes) {
        hideCaption(TransparentRichEdit1);
        return;
    }

    // The picture layer fills the window, and so does the overlay.
    TransparentRichEdit1->setGeometry(rect());
    TransparentRichEdit1->LoadFromBytes(*bytes);
    // Without a picture there is no width to scale to: the zoom stays as it is.
    if (const std::optional<long long> zoom = captionZoom(width(), Image1.PictureWidth()))
        TransparentRichEdit1->SetZoom(*zoom);
    const int vAlign = playlist->ReadInteger(section, QStringLiteral("TextVAlign"), 0);
    const int top = captionTop(vAlign, height(), TransparentRichEdit1->RenderedHeight());
    TransparentRichEdit1->move(0, top);
    TransparentRichEdit1->show();
    TransparentRichEdit1->update();
    diag::event("caption", QStringLiteral("%1 zoom %2 scale %3/64 top %4")
                               .arg(path)
                               .arg(TransparentRichEdit1->Zoom())
                               .arg(TransparentRichEdit1->Scale())
                               .arg(top));
}
