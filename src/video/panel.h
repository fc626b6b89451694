#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

// A plain coloured layer with an optional caption, centred both ways on one line (tabs expanded,
// line breaks taken as spaces): the video surface and the blank off-hours screen.
class TPanel : public QWidget {
    Q_OBJECT
  public:
    // A raised bevel is a one-pixel edge, light at the top and left, shaded bottom and right.
    enum class TBevel { None, Raised };

    explicit TPanel(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void setCaption(const QString& caption);
    void setColor(const QColor& color);
    void setFontColor(const QColor& color);
    QColor FontColor() const { return fontColor_; }
    TBevel BevelOuter() const { return bevel_; }
    void setBevelOuter(TBevel bevel);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString caption_;
    QColor fontColor_ = Qt::black;
    TBevel bevel_ = TBevel::None;
};
