#include "skin/ui/input_volume_watch.h"

#include "platform/audio/mixer.h"

#include <QSocketNotifier>

InputVolumeWatch::InputVolumeWatch(QObject* parent) : QObject(parent) {}

InputVolumeWatch::~InputVolumeWatch() { stop(); }

void InputVolumeWatch::watch(platform::IVolume* volume)
{
    stop();
    volume_ = volume;
    if (!volume_ || !volume_->available())
        return;
    for (int fd : volume_->poll_descriptors()) {
        auto* n = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(n, &QSocketNotifier::activated, this, &InputVolumeWatch::readable);
        notifiers_.push_back(n);
    }
}

void InputVolumeWatch::readable()
{
    if (!volume_)
        return;
    if (volume_->handle_events()) {
        emit changed();
        return;
    }
    stop();
    emit lost();
}

void InputVolumeWatch::stop()
{
    for (QSocketNotifier* n : notifiers_) {
        n->setEnabled(false);
        n->deleteLater();
    }
    notifiers_.clear();
    volume_ = nullptr;
}
