#pragma once
// The left panel's tab control: "Meeting Room", "File Share" and "Video",
// each over its page. In push mode the presenter's choice of tab goes to
// every attendee (417), and it is recorded.

#include "core/window_messages.h"
#include "skin/ui/my_tab_ctrl.h"

class CLeftFormChild4;
class CLeftFormFiles;
class CLeftFormMembers;

inline constexpr int left_tab_members = 0;
inline constexpr int left_tab_files = 1;
inline constexpr int left_tab_pictures = 2;

// What a tab chosen by the user leads to, without the window.
struct LeftTabChoice {
    bool show = false;    // another page than the one shown
    bool notify = false;  // sent to everybody (presenter in push mode)
};
LeftTabChoice left_tab_choice(int shown, int selected, bool presenter, bool push_mode);

class CLeftFormTab : public CMyTabCtrl, public WindowTarget {
    Q_OBJECT
public:
    explicit CLeftFormTab(QWidget* parent = nullptr);

    // The three pages as children, the members page shown, tab 0 selected.
    void create_pages();
    // 0 members, 1 files, 2 pictures; any other index changes nothing.
    void show_page(int index);
    void OnSelChange(int index);
    void OnMyMsgBoardNotice(int index);
    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    int shown_index() const { return shown_; }
    CLeftFormMembers* members_page() const { return members_; }
    CLeftFormFiles* files_page() const { return files_; }
    CLeftFormChild4* pictures_page() const { return pictures_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void place_pages();

    CLeftFormMembers* members_ = nullptr;
    CLeftFormFiles* files_ = nullptr;
    CLeftFormChild4* pictures_ = nullptr;
    int shown_ = 0;
    WindowSlotBinding slot_binding_ { WindowSlot::left_tab, this };
};
