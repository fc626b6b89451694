#pragma once

#include "captions/captionlayout.h"
#include <QPixmap>
#include <QTextDocument>
#include <QWidget>
#include <memory>

// The caption box: a borderless, read-only rich-text layer without a background of its own, so
// whatever lies beneath (picture, video frame, web page) shows around its letters. It stays an
// alien child widget: a native one could not be transparent over its siblings.
//
// The document is laid out at the box's width divided by the displayed scale n/64 and drawn at
// that scale, so it fills the box's width whatever the scale. The zoom is a percentage, 100 at
// creation; a zoom is taken only when it gives a scale 1 < n < 4096.
class TTransparentRichEdit : public QWidget {
    Q_OBJECT
  public:
    explicit TTransparentRichEdit(QWidget* parent = nullptr);
    ~TTransparentRichEdit() override;

    // Largest caption file read; anything beyond is no caption but a mistake.
    static constexpr qint64 maxFileSize = 32 * 1024 * 1024;

    QString Text() const { return document_->toPlainText(); }
    // Replaces the content with plain text in the default font.
    void setText(const QString& text);

    // Replaces the content with a caption file, read as RTF or else as plain text. Raises
    // EInOutError when the file cannot be read and EError "Failed to Load Stream" when it is
    // neither; the content then stays as it was.
    void LoadFromFile(const QString& path);
    void LoadFromBytes(const QByteArray& bytes);
    // The bytes of a caption file, with LoadFromFile's errors; touches no widget, so it may run
    // on a worker thread.
    static QByteArray ReadFile(const QString& path);

    bool ReadOnly = true;
    int Zoom() const { return zoom_.zoom; }
    // n of the displayed scale n/64.
    int Scale() const { return zoom_.scale; }
    void SetZoom(long long zoom);

    // Height of the laid-out document at the displayed scale, in pixels (rounded up).
    int RenderedHeight() const;
    const QTextDocument& Document() const { return *document_; }

    // A picture drawn beneath the text at the box's top-left corner; empty unless set.
    const QPixmap& Background() const { return FBackground; }
    void SetBackground(const QPixmap& value);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void relayout();
    std::unique_ptr<QTextDocument> newDocument() const;

    std::unique_ptr<QTextDocument> document_;
    QPixmap FBackground;
    CaptionZoomState zoom_;
};
