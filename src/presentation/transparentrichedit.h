#pragma once

#include <QFont>
#include <QWidget>

// The caption box: a borderless, read-only text layer with a transparent background, so the
// picture beneath shows around its letters. It stays an alien child widget: a native one could not
// be transparent over its siblings.
class TTransparentRichEdit : public QWidget {
    Q_OBJECT
public:
    explicit TTransparentRichEdit(QWidget* parent = nullptr);

    QString Text() const { return text_; }
    void setText(const QString& text);
    bool ReadOnly = true;
    int Zoom = 100; // percent

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};
