#include "dialogs/ui/prop_skin.h"

#include "core/message_box.h"
#include "dialogs/option_settings.h"
#include "platform/ui/translations.h"
#include "skin/skin_table.h"
#include "skin/ui/my_check_box.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_static.h"

#include <QVBoxLayout>

void repaint_window_tree(QWidget* top)
{
    if (!top)
        return;
    top->update();
    for (QWidget* w : top->findChildren<QWidget*>())
        w->update();
}

CPropSkin::CPropSkin(QWidget* parent, std::function<void()> skin_changed, std::function<void()> repaint_frame)
    : CMyPropertyPage(267, tr_ui("Choose Skin"), parent), skin_changed_(std::move(skin_changed)),
      repaint_frame_(std::move(repaint_frame))
{
    auto* skin_label = new CMyStatic(-1, tr_ui("Please choose a skin:"), this);
    skin_ = new CMyComboBox(1106, this);
    for (int i = 0; i < skin_filled_count; ++i)
        skin_->addItem(tr_ui(skin_scheme_name(i)), i);
    auto* slow_label = new CMyStatic(-1, tr_ui("If your computer is slow, check this checkbox:"), this);
    slow_label->setWordWrap(true);
    no_animation_ = new CMyCheckBox(1185, tr_ui("Do not show message animation"), this);
    connect(skin_, &QComboBox::activated, this, [this] { SetModified(true); });
    connect(no_animation_, &QCheckBox::toggled, this, [this] { SetModified(true); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->setSpacing(6);
    layout->addWidget(skin_label);
    layout->addWidget(skin_, 0, Qt::AlignLeft);
    layout->addSpacing(16);
    layout->addWidget(slow_label);
    layout->addWidget(no_animation_);
    layout->addStretch(1);
}

bool CPropSkin::OnInitDialog()
{
    SkinOptions o = read_skin_options();
    skin_->setCurrentIndex(std::max(0, skin_->findData(o.skin_index)));
    no_animation_->setChecked(o.not_show_animation);
    SetModified(false);
    return true;
}

void CPropSkin::OnOK()
{
    SkinOptions o;
    o.skin_index = skin_->currentData().toInt();
    o.not_show_animation = no_animation_->isChecked();
    if (write_skin_options(o) != 0)
        message_box_printf("set value failed in reg_write.");
    apply_skin_options(o);
    if (skin_changed_)
        skin_changed_();
    repaint_window_tree(window());
    SetModified(false);
}

void CPropSkin::OnCancel()
{
    if (repaint_frame_)
        repaint_frame_();
}
