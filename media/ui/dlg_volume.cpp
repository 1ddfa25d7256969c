#include "media/ui/dlg_volume.h"

#include "core/dbg_log.h"
#include "core/message_box.h"
#include "core/settings.h"
#include "media/input_volume.h"
#include "media/play_sound.h"
#include "platform/ui/translations.h"
#include "skin/ui/input_volume_watch.h"
#include "skin/ui/my_button.h"
#include "skin/ui/my_slider_ctrl.h"
#include "skin/ui/my_static.h"
#include "skin/ui/wnd_my_slider_mic.h"
#include "skin/ui/wnd_my_slider_speaker.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

CDlgVolume::CDlgVolume(QWidget* parent) : Cgood_dlg(184, parent)
{
    setWindowTitle(tr_ui("Adjust Speaker and Microphone volume"));
    auto* speaker_label = new CMyStatic(1089, tr_ui("Adjust Speaker Volume:"), this);
    speaker_ = new CMySliderCtrl(speaker_slider_id, this);
    auto* mic_label = new CMyStatic(1090, tr_ui("Adjust Microphone Volume:"), this);
    mic_ = new CMySliderCtrl(mic_slider_id, this);
    auto* ok = new CMyButton(1, tr_ui("OK"), this);
    auto* cancel = new CMyButton(2, tr_ui("Cancel"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(speaker_, &QAbstractSlider::valueChanged, this, [](int v) { set_speaker_volume(v); });
    connect(mic_, &QAbstractSlider::valueChanged, this, [this](int v) {
        if (!mic_inert())
            volume_->set_level(v);
    });
    watch_ = new InputVolumeWatch(this);
    connect(watch_, &InputVolumeWatch::changed, this, &CDlgVolume::refresh_mic);
    connect(watch_, &InputVolumeWatch::lost, this, &CDlgVolume::mic_lost);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 10, 14, 12);
    layout->addWidget(speaker_label);
    layout->addWidget(speaker_);
    layout->addSpacing(8);
    layout->addWidget(mic_label);
    layout->addWidget(mic_);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setMinimumWidth(320);
}

CDlgVolume::~CDlgVolume() = default;

bool CDlgVolume::OnInitDialog()
{
    original_speaker_ = get_speaker_volume();
    dbg_log("original_volume is:%d\n", original_speaker_);
    {
        QSignalBlocker quiet(speaker_);
        speaker_->setRange(0, 65535);
        speaker_->setPageStep(speaker_tick);
        speaker_->setValue(original_speaker_);
    }

    int mic_line = -1;
    bool listed = EnumerateInputLines([&](const InputLineInfo& line) {
        if (!line.microphone)
            return true;
        mic_line = line.index;
        return false;
    });
    if (!listed)
        dbg_log("EnumerateInputLines failed 1 in CDlgVolume::OnInitDialog.\n");
    else if (mic_line < 0)
        dbg_log("EnumerateInputLines failed 2 in CDlgVolume::OnInitDialog.\n");
    if (listed && mic_line >= 0) {
        volume_ = std::make_unique<CInputVolume>(mic_line);
        original_mic_ = volume_->level();
        if (!volume_->available() || original_mic_ < 0) {
            volume_.reset();
            message_box_printf("failed to create IVolume.");
        } else {
            QSignalBlocker quiet(mic_);
            int range = volume_->maximum() - volume_->minimum();
            mic_->setRange(volume_->minimum(), volume_->maximum());
            mic_->setPageStep(std::max(1, range / 10));
            mic_->setValue(original_mic_);
            watch_->watch(volume_.get());
        }
    }
    mic_->setEnabled(!mic_inert());
    Cgood_dlg::OnInitDialog();
    return true;
}

bool CDlgVolume::mic_inert() const { return mic_lost_ || !volume_ || !volume_->available(); }

void CDlgVolume::refresh_mic()
{
    if (mic_inert())
        return;
    int level = volume_->level();
    if (level < 0)
        return;
    QSignalBlocker quiet(mic_);
    mic_->setValue(level);
}

void CDlgVolume::mic_lost()
{
    mic_lost_ = true;
    mic_->setEnabled(false);
}

void CDlgVolume::OnOK()
{
    reg_write_int("audio", "speaker_volume", speaker_->value());
    if (!mic_inert() && volume_->software())
        store_mic_gain(mic_->value());
    if (g_slider_speaker)
        g_slider_speaker->refresh();
    if (g_slider_mic)
        g_slider_mic->refresh_from_mixer();
    Cgood_dlg::OnOK();
}

void CDlgVolume::OnCancel()
{
    if (!mic_inert() && original_mic_ >= 0)
        volume_->set_level(original_mic_);
    set_speaker_volume(original_speaker_);
    if (g_slider_mic)
        g_slider_mic->refresh_from_mixer();
    Cgood_dlg::OnCancel();
}
