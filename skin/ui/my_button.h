#pragma once
// The skinned push button: a stretched skin face, light text that brightens
// under the pointer, and a one-pixel frame on the top and left edges.

#include <QPushButton>

class CMyButton : public QPushButton {
    Q_OBJECT
public:
    CMyButton(int id, const QString& text, QWidget* parent = nullptr);

    int m_hover = 0; // 1 while the pointer is over the button
    int m_flat = 0;  // 1: plain fill instead of the face bitmap

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void set_hover(int hover);
};
