#include "platform/ui/plain_message_box.h"
#include "platform/ui/window_bridge.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

class UiWindow : public WindowTarget {
public:
    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override
    {
        on_ui_thread = on_ui_thread && QThread::currentThread() == qApp->thread();
        if (msg == WM_MY_MSG_202)
            bodies.emplace_back(reinterpret_cast<const char*>(wparam), static_cast<size_t>(lparam));
        messages.push_back(msg);
        return static_cast<intptr_t>(wparam) + lparam;
    }
    std::vector<uint32_t> messages;
    std::vector<std::string> bodies;
    bool on_ui_thread = true;
};

void process_events_until(const std::function<bool()>& done)
{
    for (int i = 0; i < 500 && !done(); ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

} // namespace

TEST(WindowBridge, PostFromWorkerArrivesOnTheUiThreadInOrder)
{
    UiWindow window;
    WindowSlotBinding binding(WindowSlot::members_page, &window);
    std::thread worker([] {
        post_window_message(WindowSlot::members_page, WM_MY_MSG_KICKED_OUT);
        post_window_message_with_body(WindowSlot::members_page, WM_MY_MSG_202, "copy of the body");
        post_window_message(WindowSlot::members_page, WM_MY_MSG_LEAVE_ROOM_OK);
    });
    worker.join();
    EXPECT_TRUE(window.messages.empty()) << "posting must not run the handler on the worker";
    process_events_until([&] { return window.messages.size() == 3; });
    EXPECT_EQ(window.messages, (std::vector<uint32_t> { WM_MY_MSG_KICKED_OUT, WM_MY_MSG_202, WM_MY_MSG_LEAVE_ROOM_OK }));
    EXPECT_EQ(window.bodies, std::vector<std::string> { "copy of the body" });
    EXPECT_TRUE(window.on_ui_thread);
}

TEST(WindowBridge, WindowGoneBeforeDeliveryGetsNothing)
{
    auto window = std::make_unique<UiWindow>();
    auto binding = std::make_unique<WindowSlotBinding>(WindowSlot::rest_room, window.get());
    std::thread([] { post_window_message(WindowSlot::rest_room, WM_MY_MSG_REST_ROOM_CHAT); }).join();
    binding.reset();
    window.reset();
    QApplication::processEvents();
    SUCCEED();
}

TEST(WindowBridge, SendFromWorkerWaitsForTheHandler)
{
    UiWindow window;
    WindowSlotBinding binding(WindowSlot::chat_view, &window);
    std::atomic<intptr_t> result { -1 };
    std::thread worker([&] { result = send_window_message(WindowSlot::chat_view, WM_MY_MSG_CHAT_RELOAD_FIRST, 40, 2); });
    process_events_until([&] { return result.load() != -1; });
    worker.join();
    EXPECT_EQ(result.load(), 42);
    EXPECT_EQ(window.messages, std::vector<uint32_t> { WM_MY_MSG_CHAT_RELOAD_FIRST });
    EXPECT_TRUE(window.on_ui_thread);
}

TEST(WindowBridge, SendOnTheUiThreadRunsAtOnce)
{
    UiWindow window;
    WindowSlotBinding binding(WindowSlot::main_frame, &window);
    EXPECT_EQ(send_window_message(WindowSlot::main_frame, WM_MY_MSG_CONNECTED, 1, 2), 3);
}

TEST(PlainMessageBox, WorkerWaitsForTheAnswerAndYesNoKeepsEnglishLabels)
{
    PlainMessageBoxPresenter presenter;
    set_message_box_presenter(&presenter);
    QStringList labels;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (QAbstractButton* b : box->buttons())
            labels << b->text();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == "YES")
                b->click();
    });
    clicker.start(20);
    std::atomic<int> result { 0 };
    std::thread worker([&] { result = message_box_printf_yes_no("Reload the board?"); });
    process_events_until([&] { return result.load() != 0; });
    worker.join();
    set_message_box_presenter(nullptr);
    EXPECT_EQ(result.load(), IDYES);
    EXPECT_TRUE(labels.contains("YES") && labels.contains("No")) << labels.join(",").toStdString();
}

TEST(PlainMessageBox, APostedBoxDoesNotHoldTheWorker)
{
    PlainMessageBoxPresenter presenter;
    set_message_box_presenter(&presenter);
    std::thread worker([] { message_box_post_printf("%s", "Short str used up."); });
    worker.join();  // nobody has answered
    QString seen;
    QTimer clicker;
    QObject::connect(&clicker, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = box->text();
            box->buttons().first()->click();
        }
    });
    clicker.start(20);
    process_events_until([&] { return !seen.isEmpty(); });
    set_message_box_presenter(nullptr);
    EXPECT_EQ(seen, "Short str used up.");
}
