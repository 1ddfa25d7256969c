#pragma once
// The files page (dialog 151), the left panel's second page: the files in
// the room's share, newest first, with upload, download, refresh and delete,
// and the clipboard shared through a file. Its one-second timer also runs
// the position steps of Office and browser sharing.

#include "core/window_messages.h"
#include "skin/ui/good_dlg_no_upper.h"

#include <QBasicTimer>

#include <array>
#include <functional>
#include <string>

class CMyButton;
class CMyEdit_no_scroll;
class CMyListCtrl;
class CMyStatic;

// What other sharing features run on the page's timer (each may be empty).
struct FilesPageSteps {
    std::function<void()> powerpoint_position;
    std::function<void()> word_position;
    std::function<void()> excel_position;
    std::function<void()> browser_position;
};
FilesPageSteps& files_page_steps();

// Makes the progress dialogs the transfers run, puts Office sharing's
// position steps and the system browser's re-send on the page's timer, and
// gives playback the shared documents' names (once, at start).
void install_file_share_windows();

class CLeftFormFiles : public Cgood_dlg_no_upper, public WindowTarget {
    Q_OBJECT
public:
    explicit CLeftFormFiles(QWidget* parent = nullptr);
    ~CLeftFormFiles() override;

    intptr_t handle_window_message(uint32_t msg, uintptr_t wparam, intptr_t lparam) override;

    void OnBrowse();
    void OnUpload();
    void OnDownload();
    void OnRefresh();
    void OnDelete();
    void OnUploadClipboard();
    void OnDownloadClipboard();
    void OnDblclkList(int row);
    void OnTimer();

    // The name of the first selected entry, empty when none is.
    std::string selected_name() const;
    CMyListCtrl* file_list() const { return list_; }
    CMyEdit_no_scroll* path_edit() const { return edit_; }
    CMyButton* button(int id) const;

    // Office sharing's downloads in progress.
    int ppt_file_downloading = 0;
    int word_file_downloading = 0;
    int excel_file_downloading = 0;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void add_entry(const char* body, intptr_t len, bool first);
    void place_buttons(int top, int width);

    CMyStatic* label_ = nullptr;
    CMyListCtrl* list_ = nullptr;
    CMyEdit_no_scroll* edit_ = nullptr;
    std::array<CMyButton*, 11> buttons_ {};
    QBasicTimer timer_;
    WindowSlotBinding slot_binding_ { WindowSlot::files_page, this };
};
