#pragma once
// A captioned panel whose whole background shows an on/off state in one of four lit colours.
#include <QColor>
#include <QLabel>
#include <QString>

class QMouseEvent;

class TTILed : public QLabel {
    Q_OBJECT
    Q_PROPERTY(bool LedOn READ ledOn WRITE setLedOn)
    Q_PROPERTY(QColor LedColorOff READ ledColorOff WRITE setLedColorOff)
    Q_PROPERTY(QColor LedColorOn0 READ ledColorOn0 WRITE setLedColorOn0)
    Q_PROPERTY(QColor LedColorOn1 READ ledColorOn1 WRITE setLedColorOn1)
    Q_PROPERTY(QColor LedColorOn2 READ ledColorOn2 WRITE setLedColorOn2)
    Q_PROPERTY(QColor LedColorOn3 READ ledColorOn3 WRITE setLedColorOn3)
    Q_PROPERTY(int LedIndex READ ledIndex WRITE setLedIndex)
    Q_PROPERTY(QString caption READ caption WRITE setCaption)

public:
    explicit TTILed(QWidget* parent = nullptr);

    bool ledOn() const { return ledOn_; }
    QColor ledColorOff() const { return colorOff_; }
    QColor ledColorOn0() const { return colorOn_[0]; }
    QColor ledColorOn1() const { return colorOn_[1]; }
    QColor ledColorOn2() const { return colorOn_[2]; }
    QColor ledColorOn3() const { return colorOn_[3]; }
    int ledIndex() const { return ledIndex_; }

    void setLedOn(bool on);
    void setLedColorOff(const QColor& colour);
    void setLedColorOn0(const QColor& colour);
    void setLedColorOn1(const QColor& colour);
    void setLedColorOn2(const QColor& colour);
    void setLedColorOn3(const QColor& colour);
    void setLedIndex(int index);

    QString caption() const { return text(); }
    void setCaption(const QString& caption) { setText(caption); }

    // The panel's background as it is painted now.
    QColor currentColor() const;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void setLitColour(int index, const QColor& colour);
    void updateColour();
    void paintBackground(const QColor& colour);

    bool ledOn_ = false;
    QColor colorOff_{128, 128, 128};
    QColor colorOn_[4] = {QColor(0, 255, 0), QColor(255, 255, 0), QColor(255, 0, 0), QColor(192, 192, 192)};
    int ledIndex_ = 0;
    bool leftPressed_ = false;
};
