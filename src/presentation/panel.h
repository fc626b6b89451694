#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

// A plain coloured layer with an optional centred caption: the video surface and the blank
// off-hours screen.
class TPanel : public QWidget {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);
    void setColor(const QColor& color);
    void setFontColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    QColor fontColor_ = Qt::black;
};
