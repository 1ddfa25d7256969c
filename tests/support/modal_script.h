#pragma once
// Answers the modal windows a test's click opens, in the order they open:
// each window that was not modal before gets the next step, run from the
// event loop so that a step may open a modal window of its own. A window
// that is on top again once the one above it closed gets nothing.

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

class ModalScript {
public:
    using Step = std::function<void(QWidget* modal)>;

    explicit ModalScript(std::vector<Step> steps) : steps_(std::move(steps))
    {
        if (QWidget* open = QApplication::activeModalWidget())
            seen_.emplace_back(open);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(10);
    }
    ~ModalScript() { EXPECT_EQ(next_, steps_.size()) << "modal windows that never opened"; }

    // A step for a window of class D: a window of another class fails the
    // test and is closed, so the click that opened it returns.
    template <class D>
    static Step on(std::function<void(D&)> act)
    {
        return [act = std::move(act)](QWidget* modal) {
            if (D* d = qobject_cast<D*>(modal)) {
                act(*d);
                return;
            }
            ADD_FAILURE() << "another modal window opened: " << modal->metaObject()->className();
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
        };
    }

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        if (std::any_of(seen_.begin(), seen_.end(), [modal](const QPointer<QWidget>& w) { return w == modal; }))
            return;
        seen_.emplace_back(modal);
        // One more than the script expects is closed, so the test does not hang on it.
        Step step = next_ < steps_.size() ? steps_[next_++] : on<QWidget>([](QWidget& w) {
            ADD_FAILURE() << "an unexpected modal window opened: " << w.metaObject()->className();
            if (auto* dialog = qobject_cast<QDialog*>(&w))
                dialog->reject();
        });
        QTimer::singleShot(0, modal, [step, modal] { step(modal); });
    }

    std::vector<Step> steps_;
    size_t next_ = 0;
    std::vector<QPointer<QWidget>> seen_;
    QTimer timer_;
};
