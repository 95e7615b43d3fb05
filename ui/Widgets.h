#pragma once
#include <QColor>
#include <QFrame>
#include <QLabel>

namespace qor::ui {

// A panel filled with a vertical gradient; clicks anywhere on it (or on children that do
// not take the mouse) are reported as clicked().
class GradientPanel : public QFrame {
    Q_OBJECT
  public:
    explicit GradientPanel(QWidget* parent = nullptr);
    void setGradient(const QColor& start, const QColor& end);
    QColor gradientStart() const { return start_; }
    QColor gradientEnd() const { return end_; }
    void setCornerRadius(int r) {
        radius_ = r;
        update();
    }

  signals:
    void clicked();

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    QColor start_{Qt::lightGray};
    QColor end_{Qt::gray};
    int radius_ = 6;
};

// A round status lamp: state 0 black, 1 grey, 2 or more green. An optional caption is
// drawn on it (the errors window's "!").
class Led : public QWidget {
    Q_OBJECT
  public:
    explicit Led(QWidget* parent = nullptr);
    void setState(int state);  // negative: unchanged
    int state() const { return state_; }
    void setColor(const QColor& c);
    QColor color() const { return color_; }
    void setCaption(const QString& c);
    QString caption() const { return caption_; }
    static QColor colorOfState(int state);

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    int state_ = 0;
    QColor color_{Qt::black};
    QString caption_;
};

// A label that reports clicks (the communication status label).
class ClickLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;

  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
};

// Sets the text colour of a widget for every colour group (enabled or not).
void setTextColor(QWidget* w, const QColor& c);

}  // namespace qor::ui
