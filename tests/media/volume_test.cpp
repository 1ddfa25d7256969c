// The microphone's input lines and the volume dialog: the software line
// where no mixer attaches (ALSA's null PCM, the file backend), a real sound
// server's "Capture" (PulseAudio started here in a private home and stopped
// by its process id), and a fake volume for the roads that fail.

#include "core/global_state.h"
#include "core/message_box.h"
#include "core/settings.h"
#include "media/input_volume.h"
#include "media/play_sound.h"
#include "media/ui/dlg_volume.h"
#include "media/voice_audio.h"
#include "media/voice_state.h"
#include "platform/audio/audio_device.h"
#include "skin/ui/my_slider_ctrl.h"
#include "skin/ui/wnd_my_slider_mic.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_home.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QImage render(QWidget& w)
{
    QImage image(w.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    w.render(&image);
    return image;
}

void pump_until(const std::function<bool()>& done, int wait_ms)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < wait_ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

std::vector<InputLineInfo> all_lines(bool* ok = nullptr)
{
    std::vector<InputLineInfo> lines;
    bool listed = EnumerateInputLines([&](const InputLineInfo& line) {
        lines.push_back(line);
        return true;
    });
    if (ok)
        *ok = listed;
    return lines;
}

// A home of its own with the ALSA configuration given; ALSA reads it again.
struct AudioHome : ::testing::Test {
    TempHome home;
    ScriptedMessageBoxes boxes;
    LogCapture log;
    std::string saved_home = std::getenv("HOME") ? std::getenv("HOME") : "";

    void use_asoundrc(const std::string& text)
    {
        std::ofstream(home.root() + "/.asoundrc") << text;
        ::setenv("HOME", home.root().c_str(), 1);
        snd_config_update_free_global();
    }
    void SetUp() override
    {
        set_message_box_presenter(&boxes);
        platform::set_capture_gain(0xffff);
        use_voice_audio_backend(platform::make_audio_backend("alsa"));
    }
    void TearDown() override
    {
        use_input_volume_factory(nullptr);
        set_message_box_presenter(nullptr);
        platform::set_capture_gain(0xffff);
        g_speaker_volume = 0;
        ::setenv("HOME", saved_home.c_str(), 1);
    }
};

} // namespace

// Without a mixer the microphone is the software gain alone, whatever the
// backend: the null PCM under ALSA, the file backend.
TEST_F(AudioHome, WithoutAMixerTheSoftwareLineIsTheOnlyLine)
{
    for (const char* backend : { "alsa", "file" }) {
        if (std::string(backend) == "alsa") {
            use_asoundrc("pcm.!default { type plug slave.pcm \"nullpcm\" }\npcm.nullpcm { type null }\n");
            use_voice_audio_backend(platform::make_audio_backend("alsa"));
        } else {
            std::ofstream(home.root() + "/mic.raw") << std::string(960, '\x80');
            use_voice_audio_backend(platform::make_audio_backend("file:" + home.root() + "/mic.raw," + home.root()));
        }
        bool ok = false;
        std::vector<InputLineInfo> lines = all_lines(&ok);
        EXPECT_TRUE(ok) << backend;
        ASSERT_EQ(lines.size(), 1u) << backend;
        EXPECT_EQ(lines[0].name, platform::software_line_name);
        EXPECT_TRUE(lines[0].microphone);
        EXPECT_TRUE(lines[0].software);

        CInputVolume volume(0);
        ASSERT_TRUE(volume.available()) << backend;
        EXPECT_EQ(volume.minimum(), 0);
        EXPECT_EQ(volume.maximum(), 65535);
        volume.set_level(32768);
        EXPECT_EQ(platform::capture_gain(), 32768u);
        EXPECT_EQ(volume.level(), 32768);
        // Outside the range: ignored.
        volume.set_level(70000);
        volume.set_level(-1);
        EXPECT_EQ(volume.level(), 32768);
        EXPECT_FALSE(CInputVolume(1).available());
        platform::set_capture_gain(0xffff);
    }
}

TEST_F(AudioHome, VolumeDialogMovesBothAndCancelPutsThemBack)
{
    use_asoundrc("pcm.!default { type plug slave.pcm \"nullpcm\" }\npcm.nullpcm { type null }\n");
    reg_write_int("audio", "speaker_volume", 40000);
    // The status bar's slider is made at start-up, from the stored level.
    CWndMySliderMic status_slider;
    platform::set_capture_gain(50000);
    for (bool ok : { false, true }) {
        CDlgVolume dlg;
        dlg.show();
        QApplication::processEvents();
        EXPECT_TRUE(log.contains("original_volume is:40000\n"));
        EXPECT_EQ(dlg.speaker_slider()->minimum(), 0);
        EXPECT_EQ(dlg.speaker_slider()->maximum(), 65535);
        EXPECT_EQ(dlg.speaker_slider()->pageStep(), 6553);
        EXPECT_EQ(dlg.speaker_slider()->value(), 40000);
        ASSERT_FALSE(dlg.mic_inert());
        EXPECT_TRUE(dlg.mic_volume()->software());
        EXPECT_EQ(dlg.mic_slider()->maximum(), 65535);
        EXPECT_EQ(dlg.mic_slider()->pageStep(), 6553);
        EXPECT_EQ(dlg.mic_slider()->value(), 50000);

        // Moves apply at once.
        dlg.speaker_slider()->setValue(10000);
        dlg.mic_slider()->setValue(20000);
        EXPECT_EQ(g_speaker_volume, 10000);
        EXPECT_EQ(platform::capture_gain(), 20000u);
        if (ok) {
            dlg.OnOK();
            EXPECT_EQ(status_slider.value(), 20000);
            int stored = 0;
            reg_read_int("audio", "speaker_volume", stored);
            EXPECT_EQ(stored, 10000);
            reg_read_int("audio", "mic_gain", stored);
            EXPECT_EQ(stored, 20000);
        } else {
            dlg.OnCancel();
            EXPECT_EQ(g_speaker_volume, 40000);
            EXPECT_EQ(platform::capture_gain(), 50000u);
            EXPECT_EQ(status_slider.value(), 50000);
            int stored = 0;
            reg_read_int("audio", "mic_gain", stored);
            EXPECT_EQ(stored, 0);
        }
        EXPECT_FALSE(dlg.isVisible());
    }
}

// A volume standing in for a mixer, with the failures a real one may give.
class FakeVolume : public IVolume {
public:
    FakeVolume(int low, int high, int level) : low_(low), high_(high), level_(level) {}
    bool available() const override { return low_ < high_; }
    int minimum() const override { return low_; }
    int maximum() const override { return high_; }
    int level() override { return level_; }
    void set_level(int level) override
    {
        sets.push_back(level);
        if (level >= low_ && level <= high_)
            level_ = level;
    }
    bool select_line() override { return true; }
    std::vector<int> sets;

private:
    int low_;
    int high_;
    int level_;
};

TEST_F(AudioHome, VolumeDialogFailureRoadsLeaveTheMicrophoneInert)
{
    struct Case {
        const char* what;
        bool enumerates;
        bool has_microphone;
        int low, high, level;
        const char* log_line;   // nullptr: none expected
        bool box;
    } cases[] = {
        { "mixer not read", false, true, 0, 100, 50, "EnumerateInputLines failed 1 in CDlgVolume::OnInitDialog.\n", false },
        { "no microphone line", true, false, 0, 100, 50, "EnumerateInputLines failed 2 in CDlgVolume::OnInitDialog.\n",
          false },
        { "minimum not below maximum", true, true, 100, 100, 100, nullptr, true },
        { "level unreadable", true, true, 0, 100, -1, nullptr, true },
        { "a working line", true, true, -20, 180, 30, nullptr, false },
    };
    for (const Case& c : cases) {
        FakeVolume* made = nullptr;
        use_input_volume_factory(
            [&](const InputLineInfo&) {
                auto v = std::make_unique<FakeVolume>(c.low, c.high, c.level);
                made = v.get();
                return v;
            },
            [&](const std::function<bool(const InputLineInfo&)>& callback) {
                if (!c.enumerates)
                    return false;
                if (callback(InputLineInfo { 0, "Line", false, false }))
                    callback(InputLineInfo { 1, "Front Mic", c.has_microphone, false });
                return true;
            });
        boxes.clear();
        CDlgVolume dlg;
        dlg.show();
        QApplication::processEvents();
        if (c.log_line)
            EXPECT_TRUE(log.contains(c.log_line)) << c.what;
        EXPECT_EQ(boxes.texts(), c.box ? std::vector<std::string> { "failed to create IVolume." } : std::vector<std::string> {})
            << c.what;
        bool works = std::string(c.what) == "a working line";
        EXPECT_EQ(dlg.mic_inert(), !works) << c.what;
        EXPECT_EQ(dlg.mic_slider()->isEnabled(), works) << c.what;
        if (works) {
            EXPECT_EQ(dlg.mic_slider()->minimum(), -20);
            EXPECT_EQ(dlg.mic_slider()->maximum(), 180);
            EXPECT_EQ(dlg.mic_slider()->pageStep(), 20);
            EXPECT_EQ(dlg.mic_slider()->value(), 30);
            dlg.mic_slider()->setValue(100);
            ASSERT_NE(made, nullptr);
            EXPECT_EQ(made->level(), 100);
            dlg.OnCancel();
            EXPECT_EQ(made->level(), 30);
        } else {
            dlg.OnCancel();
        }
    }
}

namespace {

ProgramRun pactl(const std::vector<std::string>& args)
{
    std::vector<std::string> argv { "/usr/bin/pactl" };
    argv.insert(argv.end(), args.begin(), args.end());
    return run_program(argv, {}, {}, 5000);
}

// The first channel's volume that pactl reads for the default source.
int source_volume()
{
    ProgramRun r = pactl({ "get-source-volume", "@DEFAULT_SOURCE@" });
    std::smatch m;
    std::regex first(": (\\d+) /");
    return std::regex_search(r.output, m, first) ? std::stoi(m[1]) : -1;
}

// PulseAudio with a null sink and source, in the test's home and runtime folder.
class PulseServer {
public:
    explicit PulseServer(const std::string& home)
    {
        pid_ = ::fork();
        if (pid_ == 0) {
            std::string log = home + "/pulseaudio.log";
            FILE* f = std::freopen(log.c_str(), "w", stderr);
            (void)f;
            ::execl("/usr/bin/pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                    "--disable-shm=yes", "--log-target=stderr", "-L", "module-native-protocol-unix", "-L",
                    "module-null-sink", "-L", "module-null-source", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 100; ++i) {
            if (pactl({ "info" }).exit_status == 0) {
                ready_ = true;
                break;
            }
            ::usleep(50000);
        }
    }
    ~PulseServer() { stop(); }
    bool ready() const { return ready_; }
    void stop()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            ::usleep(20000);
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    bool ready_ = false;
};

} // namespace

// Under a sound server the microphone is its "Capture" control: the dialog
// moves what the server reads, follows a change made elsewhere, Cancel puts
// it back, and a server that goes leaves the slider inert with a log line.
TEST_F(AudioHome, UnderASoundServerTheDialogMovesCapture)
{
    if (::access("/usr/bin/pulseaudio", X_OK) != 0 || ::access("/usr/bin/pactl", X_OK) != 0)
        GTEST_SKIP() << "pulseaudio is missing: run tools/install-deps.sh";
    use_asoundrc("pcm.!default { type pulse }\nctl.!default { type pulse }\n");
    PulseServer pulse(home.root());
    ASSERT_TRUE(pulse.ready()) << read_file(home.root() + "/pulseaudio.log");

    std::vector<InputLineInfo> lines = all_lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].name, "Capture");
    EXPECT_TRUE(lines[0].microphone);
    EXPECT_TRUE(lines.back().software);
    for (const InputLineInfo& line : lines)
        EXPECT_NE(line.name, "Master");

    ASSERT_EQ(pactl({ "set-source-volume", "@DEFAULT_SOURCE@", "40000" }).exit_status, 0);
    {
        CDlgVolume dlg;
        dlg.show();
        QApplication::processEvents();
        ASSERT_FALSE(dlg.mic_inert());
        EXPECT_FALSE(dlg.mic_volume()->software());
        EXPECT_EQ(dlg.mic_volume()->line_name(), "Capture");
        EXPECT_EQ(dlg.mic_slider()->minimum(), 0);
        EXPECT_EQ(dlg.mic_slider()->maximum(), 65536);
        EXPECT_EQ(dlg.mic_slider()->value(), 40000);

        dlg.mic_slider()->setValue(20000);
        EXPECT_EQ(source_volume(), 20000);
        // Nothing of ours moved the master volume or the software gain.
        EXPECT_EQ(platform::capture_gain(), 0xffffu);

        ASSERT_EQ(pactl({ "set-source-volume", "@DEFAULT_SOURCE@", "30000" }).exit_status, 0);
        pump_until([&] { return dlg.mic_slider()->value() == 30000; }, 3000);
        EXPECT_EQ(dlg.mic_slider()->value(), 30000);

        dlg.OnCancel();
        EXPECT_EQ(source_volume(), 40000);
    }
    {
        CDlgVolume dlg;
        dlg.show();
        QApplication::processEvents();
        ASSERT_FALSE(dlg.mic_inert());
        pulse.stop();
        pump_until([&] { return dlg.mic_inert(); }, 5000);
        EXPECT_TRUE(dlg.mic_inert());
        EXPECT_FALSE(dlg.mic_slider()->isEnabled());
        dlg.mic_slider()->setValue(1000);
        dlg.OnCancel();
        bool logged = false;
        for (const std::string& line : log.lines())
            logged = logged || line.find("mixer element Capture is gone") != std::string::npos;
        EXPECT_TRUE(logged);
    }
}

// Not compared: the dialog for people to look at.
TEST_F(AudioHome, Screenshot)
{
    use_asoundrc("pcm.!default { type plug slave.pcm \"nullpcm\" }\npcm.nullpcm { type null }\n");
    QString dir = qEnvironmentVariable("TAMBLO_BUILD_DIR", ".") + "/screenshots";
    QDir().mkpath(dir);
    reg_write_int("audio", "speaker_volume", 30000);
    platform::set_capture_gain(45000);
    CDlgVolume dlg;
    dlg.show();
    QApplication::processEvents();
    EXPECT_TRUE(render(dlg).save(dir + "/volume_dlg_en.png"));
}
