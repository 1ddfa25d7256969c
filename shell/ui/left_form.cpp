#include "shell/ui/left_form.h"

#include "core/dbg_log.h"
#include "platform/ui/translations.h"
#include "shell/ui/left_form_tab.h"

#include <QPainter>

CLeftForm* g_left_form = nullptr;

namespace {

constexpr int tab_margin_px = 7;

// The panel: the background stretched over the whole width, 5 pixels taller
// than the window; the tab control 7 pixels inside it.
class LeftFormCanvas : public QWidget {
public:
    explicit LeftFormCanvas(CLeftFormTab*& tab) : tab_(tab) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        try {
            QPainter p(this);
            paint_view_background(p, QRect(0, 0, width(), height() + 5));
        } catch (...) {
            dbg_log("exception in CLeftForm paint.\n");
        }
    }
    void resizeEvent(QResizeEvent*) override
    {
        if (tab_)
            tab_->setGeometry(tab_margin_px, tab_margin_px, std::max(0, width() - 2 * tab_margin_px),
                              std::max(0, height() - 2 * tab_margin_px));
    }

private:
    CLeftFormTab*& tab_;
};

} // namespace

CLeftForm::CLeftForm(QWidget* parent) : CMyFormView(129, parent)
{
    setObjectName("left_form");
    auto* canvas = new LeftFormCanvas(tab_);
    setWidgetResizable(true);
    setWidget(canvas);
    // Initial update: the three tabs, then the pages they show.
    tab_ = new CLeftFormTab(canvas);
    tab_->insert_item(left_tab_members, tr_ui("Meeting Room"));
    tab_->insert_item(left_tab_files, tr_ui("File Share"));
    tab_->insert_item(left_tab_pictures, tr_ui("Video"));
    tab_->create_pages();
    // Narrower, the last tab would hide behind the scroll arrows: the panel
    // is at least as wide as the three tabs in the user's language.
    setMinimumWidth(tab_->sizeHint().width() + 2 * tab_margin_px);
    g_left_form = this;
}

CLeftForm::~CLeftForm()
{
    if (g_left_form == this)
        g_left_form = nullptr;
}
