#pragma once
// Watches a mixer volume for changes made elsewhere (another program, the
// other slider): its poll descriptors under QSocketNotifiers. changed is
// emitted after the mixer took the changes in; lost once, when the element
// or the sound server has gone, and the watch then stops.

#include <QObject>

#include <vector>

class QSocketNotifier;
namespace platform {
class IVolume;
}

class InputVolumeWatch : public QObject {
    Q_OBJECT
public:
    explicit InputVolumeWatch(QObject* parent = nullptr);
    ~InputVolumeWatch() override;

    // Starts watching volume (nullptr stops); the volume outlives the watch.
    void watch(platform::IVolume* volume);
    bool watching() const { return !notifiers_.empty(); }

signals:
    void changed();
    void lost();

private:
    void readable();
    void stop();

    platform::IVolume* volume_ = nullptr;
    std::vector<QSocketNotifier*> notifiers_;
};
