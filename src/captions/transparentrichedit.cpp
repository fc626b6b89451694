#include "captions/transparentrichedit.h"

#include "captions/captiondocument.h"
#include "core/boardfont.h"
#include "core/errors.h"
#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

TTransparentRichEdit::TTransparentRichEdit(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(false);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setFont(boardFont(11, false));
    document_ = newDocument();
    relayout();
}

TTransparentRichEdit::~TTransparentRichEdit() = default;

std::unique_ptr<QTextDocument> TTransparentRichEdit::newDocument() const {
    auto document = std::make_unique<QTextDocument>();
    // Captions are replaced for months on end: no history may pile up.
    document->setUndoRedoEnabled(false);
    document->setDefaultFont(font());
    document->setDocumentMargin(0);
    return document;
}

void TTransparentRichEdit::setText(const QString& text) {
    auto document = newDocument();
    fillPlainCaption(*document, text);
    document_ = std::move(document);
    relayout();
}

void TTransparentRichEdit::LoadFromFile(const QString& path) {
    LoadFromBytes(ReadFile(path));
}

QByteArray TTransparentRichEdit::ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(
            QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    if (file.size() > maxFileSize)
        throw EInOutError(QStringLiteral("Caption file \"%1\" is larger than %2 bytes")
                              .arg(path)
                              .arg(maxFileSize));
    QByteArray bytes = file.read(maxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw EInOutError(
            QStringLiteral("Cannot read file \"%1\". %2").arg(path, file.errorString()));
    if (bytes.size() > maxFileSize)
        throw EInOutError(QStringLiteral("Caption file \"%1\" is larger than %2 bytes")
                              .arg(path)
                              .arg(maxFileSize));
    return bytes;
}

void TTransparentRichEdit::LoadFromBytes(const QByteArray& bytes) {
    auto document = newDocument();
    if (!loadCaptionDocument(*document, bytes))
        throw EError(QStringLiteral("Failed to Load Stream"));
    document_ = std::move(document);
    relayout();
}

void TTransparentRichEdit::SetZoom(long long zoom) {
    const CaptionZoomState next = applyCaptionZoom(zoom_, zoom);
    if (next == zoom_)
        return;
    zoom_ = next;
    relayout();
}

int TTransparentRichEdit::RenderedHeight() const {
    const double height = document_->size().height() * zoom_.scale / 64.0;
    return static_cast<int>(std::ceil(height - 1e-9));
}

void TTransparentRichEdit::SetBackground(const QPixmap& value) {
    FBackground = value;
    update();
}

void TTransparentRichEdit::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRect(event->rect());
    if (!FBackground.isNull())
        painter.drawPixmap(0, 0, FBackground);
    const double scale = zoom_.scale / 64.0;
    painter.scale(scale, scale);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.palette.setColor(QPalette::Text, palette().color(QPalette::WindowText));
    const QRectF area = event->rect();
    context.clip = QRectF(area.topLeft() / scale, area.size() / scale);
    document_->documentLayout()->draw(&painter, context);
}

void TTransparentRichEdit::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    relayout();
}

void TTransparentRichEdit::relayout() {
    document_->setTextWidth(width() * 64.0 / zoom_.scale);
    update();
}
