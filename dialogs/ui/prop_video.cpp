#include "dialogs/ui/prop_video.h"

#include "core/message_box.h"
#include "dialogs/option_settings.h"
#include "platform/ui/translations.h"
#include "skin/ui/my_combo_box.h"
#include "skin/ui/my_static.h"

#include <QGridLayout>
#include <QVBoxLayout>

namespace {

void fill_numbers(CMyComboBox* combo, int first, int last, int step)
{
    for (int v = first; v <= last; v += step)
        combo->addItem(QString::number(v), v);
}

// The stored value's entry; the first when the list has none.
void select_value(CMyComboBox* combo, int value) { combo->setCurrentIndex(std::max(0, combo->findData(value))); }

} // namespace

CPropVideo::CPropVideo(QWidget* parent, std::function<void()> video_changed)
    : CMyPropertyPage(185, tr_ui("Video & audio"), parent), video_changed_(std::move(video_changed))
{
    auto* quality_label = new CMyStatic(-1, tr_ui("Video quality"), this);
    quality_ = new CMyComboBox(1097, this);
    fill_numbers(quality_, 50, 100, 10);
    auto* rate_label = new CMyStatic(-1, tr_ui("Video FrameRate"), this);
    frame_rate_ = new CMyComboBox(1098, this);
    fill_numbers(frame_rate_, 2, 9, 1);
    auto* video_note = new CMyStatic(-1,
                                     tr_ui("The higher the Video Quality, the higher the band width usage.\nThe high "
                                           "the Video FrameRate, the higher the bandwidth usage."),
                                     this);
    video_note->setWordWrap(true);
    auto* desktop_label = new CMyStatic(-1, tr_ui("Desktop Share Quality"), this);
    desktop_quality_ = new CMyComboBox(1099, this);
    fill_numbers(desktop_quality_, 50, 100, 10);
    auto* desktop_note =
        new CMyStatic(-1, tr_ui("The higher the Desktop Share Quality, the higher the bandwidth usage."), this);
    desktop_note->setWordWrap(true);
    auto* audio_label = new CMyStatic(-1, tr_ui("Audio Quality"), this);
    audio_quality_ = new CMyComboBox(1106, this);
    for (size_t i = 0; i < audio_quality_names.size(); ++i)
        audio_quality_->addItem(tr_ui(audio_quality_names[i]), static_cast<int>(i));

    for (CMyComboBox* combo : { quality_, frame_rate_, desktop_quality_, audio_quality_ })
        connect(combo, &QComboBox::activated, this, [this] { SetModified(true); });

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);
    grid->addWidget(quality_label, 0, 0);
    grid->addWidget(quality_, 0, 1, Qt::AlignLeft);
    grid->addWidget(rate_label, 1, 0);
    grid->addWidget(frame_rate_, 1, 1, Qt::AlignLeft);
    grid->addWidget(video_note, 2, 0, 1, 2);
    grid->setRowMinimumHeight(3, 8);
    grid->addWidget(desktop_label, 4, 0);
    grid->addWidget(desktop_quality_, 4, 1, Qt::AlignLeft);
    grid->addWidget(desktop_note, 5, 0, 1, 2);
    grid->setRowMinimumHeight(6, 8);
    grid->addWidget(audio_label, 7, 0);
    grid->addWidget(audio_quality_, 7, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->addLayout(grid);
    layout->addStretch(1);
}

bool CPropVideo::OnInitDialog()
{
    VideoOptions o = read_video_options();
    select_value(quality_, o.video_quality);
    select_value(frame_rate_, o.video_frame_rate);
    select_value(desktop_quality_, o.desktop_share_quality);
    select_value(audio_quality_, o.audio_quality);
    SetModified(false);
    return true;
}

void CPropVideo::OnOK()
{
    VideoOptions o;
    o.video_quality = quality_->currentData().toInt();
    o.video_frame_rate = frame_rate_->currentData().toInt();
    o.desktop_share_quality = desktop_quality_->currentData().toInt();
    o.audio_quality = audio_quality_->currentData().toInt();
    apply_video_options(o);
    if (write_video_options(o) != 0)
        message_box_printf("set value failed in reg_write.");
    if (video_changed_)
        video_changed_();
    SetModified(false);
}
