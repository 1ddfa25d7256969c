#pragma once
// Calls act with each modal window that opens (a file dialog, a settings
// dialog inside another, the Connect dialog) while it lives.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

class ModalWatcher {
public:
    explicit ModalWatcher(std::function<void(QWidget*)> act) : act_(std::move(act))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal != last_) {
                last_ = modal;
                act_(modal);
            }
        });
        timer_.start(20);
    }

private:
    std::function<void(QWidget*)> act_;
    QWidget* last_ = nullptr;
    QTimer timer_;
};
