#pragma once
// A captioned panel whose whole background shows an on/off state in one of four lit colours.
#include <QColor>
#include <QLabel>
#include <QString>

class QKeyEvent;
class QMouseEvent;
class QPaintEvent;

namespace korva::console {

class TTILed : public QLabel {
    Q_OBJECT
    Q_PROPERTY(bool LedOn READ LedOn WRITE SetLedOn)
    Q_PROPERTY(QColor LedColorOff READ LedColorOff WRITE SetLedColorOff)
    Q_PROPERTY(QColor LedColorOn0 READ LedColorOn0 WRITE SetLedColorOn0)
    Q_PROPERTY(QColor LedColorOn1 READ LedColorOn1 WRITE SetLedColorOn1)
    Q_PROPERTY(QColor LedColorOn2 READ LedColorOn2 WRITE SetLedColorOn2)
    Q_PROPERTY(QColor LedColorOn3 READ LedColorOn3 WRITE SetLedColorOn3)
    Q_PROPERTY(int LedIndex READ LedIndex WRITE SetLedIndex)
    Q_PROPERTY(QString caption READ Caption WRITE SetCaption)

public:
    explicit TTILed(QWidget* parent = nullptr);

    bool LedOn() const { return ledOn_; }
    QColor LedColorOff() const { return colorOff_; }
    QColor LedColorOn0() const { return colorOn_[0]; }
    QColor LedColorOn1() const { return colorOn_[1]; }
    QColor LedColorOn2() const { return colorOn_[2]; }
    QColor LedColorOn3() const { return colorOn_[3]; }
    int LedIndex() const { return ledIndex_; }

    void SetLedOn(bool on);
    void SetLedColorOff(const QColor& colour);
    void SetLedColorOn0(const QColor& colour);
    void SetLedColorOn1(const QColor& colour);
    void SetLedColorOn2(const QColor& colour);
    void SetLedColorOn3(const QColor& colour);
    void SetLedIndex(int index);

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }

    // The panel's background as it is painted now.
    QColor CurrentColor() const;

    // What it shows is old (the device stopped answering): the panel is hatched over its colour.
    bool Stale() const { return stale_; }
    void SetStale(bool stale);

    // Its caption is boxed: the mark, besides the colour, of the state its owner calls good (lime), so
    // that telling it from the pale one does not rest on hue alone.
    bool Marked() const { return marked_; }
    void SetMarked(bool marked);

    // Clicked from the keyboard too: it takes the focus, shows it, and Space or Enter click it.
    void SetKeyboardClickable();

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void SetLitColour(int index, const QColor& colour);
    void UpdateColour();
    void PaintBackground(const QColor& colour);

    bool ledOn_ = false;
    QColor colorOff_{128, 128, 128};
    QColor colorOn_[4] = {QColor(0, 255, 0), QColor(255, 255, 0), QColor(255, 0, 0), QColor(192, 192, 192)};
    int ledIndex_ = 0;
    bool leftPressed_ = false;
    bool stale_ = false;
    bool marked_ = false;
};

}  // namespace korva::console
