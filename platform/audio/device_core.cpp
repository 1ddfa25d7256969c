#include "platform/audio/device_core.h"

#include "core/vector_clones.h"
#include "platform/sys/clock.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {
std::atomic<uint32_t> g_capture_gain { 0xffff };
} // namespace

void set_capture_gain(uint32_t gain) { g_capture_gain = std::min<uint32_t>(gain, 0xffff); }

uint32_t capture_gain() { return g_capture_gain.load(); }

TAMBLO_VECTOR_CLONES
void copy_with_capture_gain(uint8_t* out, const uint8_t* in, size_t count, uint32_t gain)
{
    if (gain >= 0xffff) {
        std::memmove(out, in, count);
        return;
    }
    // The gain in 256ths, rounded (a 256th of the level is far below what
    // anyone hears). Around the silence at 128 a sample s becomes
    // 128 + round((s - 128) * g / 256), which is (s * g + 128 * (257 - g)) / 256:
    // every term unsigned and within 16 bits.
    const uint16_t g = static_cast<uint16_t>((gain + (gain >> 15) + 128) >> 8);
    const uint16_t offset = static_cast<uint16_t>(128 * (257 - g));
    // Two samples in each 16-bit lane: the low one's result is shifted down
    // into the low byte, the high one's is already in the high byte; nothing
    // to widen or pack, sixteen lanes a step. Each step reads before it
    // writes, so out may be in.
    using Lanes = uint16_t __attribute__((vector_size(32)));
    size_t i = 0;
    for (; i + sizeof(Lanes) <= count; i += sizeof(Lanes)) {
        Lanes x;
        std::memcpy(&x, in + i, sizeof x);
        Lanes low = ((x & 0xff) * g + offset) >> 8;
        Lanes high = ((x >> 8) * g + offset) & 0xff00;
        x = low | high;
        std::memcpy(out + i, &x, sizeof x);
    }
    for (; i < count; ++i)
        out[i] = static_cast<uint8_t>(static_cast<uint16_t>(in[i] * g + offset) >> 8);
}

void apply_capture_gain(uint8_t* samples, size_t count, uint32_t gain)
{
    copy_with_capture_gain(samples, samples, count, gain);
}

void RealTimePacer::restart() { running_ = false; }

bool RealTimePacer::wait_for(size_t samples, const std::atomic<bool>& stop)
{
    if (!running_) {
        running_ = true;
        start_tick_ = tick_count();
        samples_done_ = 0;
    }
    samples_done_ += samples;
    uint64_t due_samples = samples_done_ > lead_samples_ ? samples_done_ - lead_samples_ : 0;
    uint64_t due_ms = due_samples * 1000 / audio_rate_hz;
    for (;;) {
        if (stop)
            return false;
        uint64_t elapsed_ms = static_cast<uint32_t>(tick_count() - start_tick_);
        if (elapsed_ms >= due_ms) {
            // Far behind (a suspended process): start again from now rather than rush.
            if (elapsed_ms > due_ms + 1000)
                running_ = false;
            return true;
        }
        sleep_ms(static_cast<uint32_t>(std::min<uint64_t>(due_ms - elapsed_ms, 10)));
    }
}

ThreadedCapture::ThreadedCapture(std::unique_ptr<CaptureSource> source) : source_(std::move(source)) {}

ThreadedCapture::~ThreadedCapture() { close(); }

int ThreadedCapture::open(Filled filled)
{
    if (open_)
        return -16;  // EBUSY
    int rc = source_->open();
    if (rc != 0)
        return rc;
    filled_ = std::move(filled);
    open_ = true;
    started_ = false;
    quit_ = false;
    thread_ = std::thread([this] { run(); });
    return 0;
}

int ThreadedCapture::add_buffer(WaveHeaderPtr header)
{
    if (!open_ || !header)
        return -22;  // EINVAL
    std::lock_guard<std::mutex> hold(lock_);
    header->bytes_recorded = 0;
    buffers_.push_back(std::move(header));
    wake_.notify_all();
    return 0;
}

int ThreadedCapture::start()
{
    if (!open_)
        return -22;
    int rc = source_->start();
    if (rc != 0)
        return rc;
    std::lock_guard<std::mutex> hold(lock_);
    started_ = true;
    stop_read_ = false;
    wake_.notify_all();
    return 0;
}

int ThreadedCapture::stop()
{
    if (!open_)
        return -22;
    {
        std::lock_guard<std::mutex> hold(lock_);
        started_ = false;
        stop_read_ = true;
    }
    return source_->stop();
}

int ThreadedCapture::reset()
{
    if (!open_)
        return -22;
    std::deque<WaveHeaderPtr> back;
    {
        std::lock_guard<std::mutex> hold(lock_);
        started_ = false;
        stop_read_ = true;
        back.swap(buffers_);
    }
    for (WaveHeaderPtr& h : back)
        if (filled_)
            filled_(std::move(h));
    return 0;
}

int ThreadedCapture::close()
{
    if (!open_)
        return 0;
    {
        std::lock_guard<std::mutex> hold(lock_);
        quit_ = true;
        stop_read_ = true;
        wake_.notify_all();
    }
    if (thread_.joinable())
        thread_.join();
    source_->close();
    buffers_.clear();
    open_ = false;
    return 0;
}

void ThreadedCapture::run()
{
    std::vector<uint8_t> block(audio_block_samples);
    for (;;) {
        size_t want = audio_block_samples;
        {
            std::unique_lock<std::mutex> hold(lock_);
            wake_.wait(hold, [this] { return quit_ || started_; });
            if (quit_)
                return;
            if (!buffers_.empty() && !buffers_.front()->data.empty())
                want = buffers_.front()->data.size();
        }
        block.resize(want);
        if (source_->read(block.data(), want, stop_read_) != 0) {
            // A device that fails keeps the thread from spinning.
            std::unique_lock<std::mutex> hold(lock_);
            wake_.wait_for(hold, std::chrono::milliseconds(10));
            continue;
        }
        WaveHeaderPtr filled;
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (!started_ || buffers_.empty())
                continue;  // no buffer waiting: the samples are lost, as on an overrun
            filled = std::move(buffers_.front());
            buffers_.pop_front();
        }
        size_t n = std::min(filled->data.size(), want);
        copy_with_capture_gain(filled->data.data(), block.data(), n, capture_gain());
        filled->bytes_recorded = n;
        if (filled_)
            filled_(std::move(filled));
    }
}

namespace {

class MixedPlayback : public PlaybackDevice {
public:
    MixedPlayback(PlaybackMixer& mixer, const std::string& name) : mixer_(mixer), stream_(std::make_shared<PlaybackMixer::Stream>())
    {
        stream_->name = name;
    }
    ~MixedPlayback() override { mixer_.close_stream(stream_); }
    int open(Done done) override { return mixer_.open_stream(stream_, std::move(done)); }
    int write(WaveHeaderPtr header) override { return mixer_.write(stream_, std::move(header)); }
    int reset() override { return mixer_.reset(stream_); }
    int close() override { return mixer_.close_stream(stream_); }
    int set_volume(uint32_t volume) override { return mixer_.set_gain(stream_, volume & 0xffff); }

private:
    PlaybackMixer& mixer_;
    std::shared_ptr<PlaybackMixer::Stream> stream_;
};

} // namespace

PlaybackMixer::PlaybackMixer(std::unique_ptr<MixSink> sink) : sink_(std::move(sink))
{
    thread_ = std::thread([this] { run(); });
}

PlaybackMixer::~PlaybackMixer()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        quit_ = true;
        wake_.notify_all();
    }
    if (thread_.joinable())
        thread_.join();
    if (sink_open_)
        sink_->close();
}

std::unique_ptr<PlaybackDevice> PlaybackMixer::make_device(const std::string& name)
{
    return std::make_unique<MixedPlayback>(*this, name);
}

int PlaybackMixer::open_stream(const std::shared_ptr<Stream>& stream, PlaybackDevice::Done done)
{
    std::lock_guard<std::mutex> sink_hold(sink_lock_);
    if (!sink_open_) {
        int rc = sink_->open();
        if (rc != 0)
            return rc;
        sink_open_ = true;
    }
    std::lock_guard<std::mutex> hold(lock_);
    if (stream->open)
        return -16;
    stream->done = std::move(done);
    stream->open = true;
    stream->has_played = false;
    stream->position = 0;
    streams_.push_back(stream);
    wake_.notify_all();
    return 0;
}

int PlaybackMixer::write(const std::shared_ptr<Stream>& stream, WaveHeaderPtr header)
{
    if (!header)
        return -22;
    std::lock_guard<std::mutex> hold(lock_);
    if (!stream->open)
        return -77;  // EBADFD
    stream->queue.push_back(std::move(header));
    wake_.notify_all();
    return 0;
}

int PlaybackMixer::reset(const std::shared_ptr<Stream>& stream)
{
    std::deque<WaveHeaderPtr> back;
    PlaybackDevice::Done done;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (!stream->open)
            return -77;
        back.swap(stream->queue);
        stream->position = 0;
        done = stream->done;
    }
    for (WaveHeaderPtr& h : back)
        if (done)
            done(std::move(h));
    return 0;
}

int PlaybackMixer::close_stream(const std::shared_ptr<Stream>& stream)
{
    std::unique_lock<std::mutex> hold(lock_);
    if (!stream->open)
        return 0;
    stream->open = false;
    stream->queue.clear();
    streams_.erase(std::remove(streams_.begin(), streams_.end(), stream), streams_.end());
    // A done notice in flight must not outlive the caller's close.
    if (std::this_thread::get_id() != mixer_thread_id_)
        delivered_.wait(hold, [this] { return !delivering_; });
    wake_.notify_all();
    return 0;
}

int PlaybackMixer::set_gain(const std::shared_ptr<Stream>& stream, uint32_t gain)
{
    std::lock_guard<std::mutex> hold(lock_);
    stream->gain = std::min<uint32_t>(gain, 0xffff);
    return 0;
}

void PlaybackMixer::run()
{
    mixer_thread_id_ = std::this_thread::get_id();
    size_t period = sink_->period_samples();
    std::vector<int> sum(period);
    std::vector<uint8_t> mix(period);
    struct PlayerPart {
        std::string name;
        std::vector<uint8_t> samples;
    };
    std::vector<PlayerPart> parts;
    struct Finished {
        PlaybackDevice::Done done;
        WaveHeaderPtr header;
    };
    std::vector<Finished> finished;
    for (;;) {
        {
            std::unique_lock<std::mutex> sink_hold(sink_lock_, std::defer_lock);
            std::unique_lock<std::mutex> hold(lock_);
            if (streams_.empty()) {
                hold.unlock();
                sink_hold.lock();
                hold.lock();
                if (streams_.empty() && sink_open_) {
                    sink_->close();
                    sink_open_ = false;
                }
                sink_hold.unlock();
                wake_.wait(hold, [this] { return quit_ || !streams_.empty(); });
            }
            if (quit_)
                return;
        }
        {
            std::lock_guard<std::mutex> sink_hold(sink_lock_);
            if (sink_open_)
                sink_->wait_for_period(period);
        }
        {
            std::lock_guard<std::mutex> hold(lock_);
            if (quit_)
                return;
            std::fill(sum.begin(), sum.end(), 0);
            parts.clear();
            for (const std::shared_ptr<Stream>& s : streams_) {
                if (!s->has_played && s->queue.empty())
                    continue;
                s->has_played = true;
                PlayerPart part { s->name, std::vector<uint8_t>(period, audio_silence) };
                size_t filled = 0;
                while (filled < period && !s->queue.empty()) {
                    WaveHeader& h = *s->queue.front();
                    size_t take = std::min(period - filled, h.data.size() - std::min(s->position, h.data.size()));
                    for (size_t i = 0; i < take; ++i) {
                        int v = (static_cast<int>(h.data[s->position + i]) - 128) * static_cast<int>(s->gain) / 0xffff;
                        sum[filled + i] += v;
                        part.samples[filled + i] = static_cast<uint8_t>(v + 128);
                    }
                    filled += take;
                    s->position += take;
                    if (s->position >= h.data.size()) {
                        finished.push_back({ s->done, std::move(s->queue.front()) });
                        s->queue.pop_front();
                        s->position = 0;
                    }
                }
                parts.push_back(std::move(part));
            }
            delivering_ = true;
        }
        for (size_t i = 0; i < period; ++i)
            mix[i] = static_cast<uint8_t>(std::clamp(sum[i] + 128, 0, 255));
        {
            std::lock_guard<std::mutex> sink_hold(sink_lock_);
            if (sink_open_) {
                for (const PlayerPart& p : parts)
                    sink_->player_period(p.name, p.samples.data(), p.samples.size());
                sink_->write_period(mix.data(), period);
            }
        }
        for (Finished& f : finished)
            if (f.done)
                f.done(std::move(f.header));
        finished.clear();
        {
            std::lock_guard<std::mutex> hold(lock_);
            delivering_ = false;
        }
        delivered_.notify_all();
    }
}

} // namespace platform
