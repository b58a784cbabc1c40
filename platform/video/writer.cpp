#include "platform/video/writer.hpp"

#include <atomic>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "common/atomic_file.hpp"

namespace vell::platform {

namespace {

constexpr AVRational kTimeBase{1, 30};

// H.264's largest level (6.2) allows frames of 139264 macroblocks; x264 takes
// sides up to 16384 pixels.
constexpr std::int64_t kLargestSide = 16384;
constexpr std::int64_t kLargestMacroblocks = 139264;

std::atomic<std::uint64_t> nextGeneration{1};

// FFmpeg and x264 talk on standard error, which belongs to the program; their
// last complaint is kept instead, to go into the writer's error text.
std::mutex logMutex;
std::string lastLogMessage;

void keepLogMessage(void*, int level, const char* format, va_list args) {
  if (level > AV_LOG_ERROR)
    return;
  char line[512];
  std::vsnprintf(line, sizeof line, format, args);
  std::string text(line);
  while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  std::lock_guard lock(logMutex);
  lastLogMessage = std::move(text);
}

void silenceFfmpegLog() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_callback(keepLogMessage); });
}

std::string takeLastFfmpegMessage() {
  std::lock_guard lock(logMutex);
  return std::exchange(lastLogMessage, {});
}

struct FormatContextFree {
  void operator()(AVFormatContext* context) const {
    if (context->pb)
      avio_closep(&context->pb);
    avformat_free_context(context);
  }
};
struct CodecContextFree {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFree {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScaleFree {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextFree>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using ScalePtr = std::unique_ptr<SwsContext, ScaleFree>;

// The one place FFmpeg's error codes become text; the library's own last
// complaint, when there is one, says more than the code.
Error avError(const std::string& what, int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  std::string message = what + ": " + text + " (FFmpeg error " + std::to_string(code) + ")";
  if (std::string detail = takeLastFfmpegMessage(); !detail.empty())
    message += ": " + detail;
  return Error{message};
}

std::optional<Error> checkSettings(const VideoSettings& settings) {
  const auto size = std::to_string(settings.width) + " x " + std::to_string(settings.height);
  if (settings.width <= 0 || settings.height <= 0)
    return Error{"frame size " + size + " is not positive"};
  if (settings.width % 2 != 0 || settings.height % 2 != 0)
    return Error{"frame size " + size + " is odd; 4:2:0 H.264 needs even sides"};
  const std::int64_t macroblocks = ((settings.width + 15) / 16) * ((settings.height + 15) / 16);
  if (settings.width > kLargestSide || settings.height > kLargestSide ||
      macroblocks > kLargestMacroblocks)
    return Error{"frame size " + size + " is beyond H.264's largest level"};
  if (settings.averageBitRate < 1000 || settings.averageBitRate / 1000 > INT_MAX)
    return Error{"average bit rate " + std::to_string(settings.averageBitRate) +
                 " is out of range (1000 bits per second and up)"};
  return std::nullopt;
}

std::size_t rowBytes(int width) {
  // Rows start on 64-byte boundaries, which the converter's vector code likes.
  return (static_cast<std::size_t>(width) * 4 + 63) / 64 * 64;
}

}  // namespace

PixelBuffer::PixelBuffer(PixelFormat format, int width, int height)
    : format_(format),
      width_(width),
      height_(height),
      bytesPerRow_(rowBytes(width)),
      bytes_(new std::uint8_t[bytesPerRow_ * static_cast<std::size_t>(height)]),
      generation_(nextGeneration++) {}

std::uint8_t* PixelBuffer::mutableBaseAddress() {
  generation_ = nextGeneration++;
  return bytes_.get();
}

// Everything the writer, its input and its adaptor share.
struct WriterState {
  explicit WriterState(std::filesystem::path target) : out(std::move(target)) {}

  void fail(Error error) {
    std::lock_guard lock(mutex);
    if (status == VideoWriter::Status::failed || status == VideoWriter::Status::completed)
      return;
    status = VideoWriter::Status::failed;
    errorText = std::move(error.text);
  }
  VideoWriter::Status currentStatus() {
    std::lock_guard lock(mutex);
    return status;
  }

  Status start();
  bool append(const PixelBuffer& buffer, std::int64_t value, std::int32_t timescale);
  Status convert(const PixelBuffer& buffer);
  Status encode(AVFrame* frame);
  Status finish();

  std::filesystem::path out;
  std::optional<VideoSettings> settings;
  std::optional<VideoWriterInput> input;
  bool inputFinished = false;
  std::int64_t sessionStartPts = 0;

  mutable std::mutex mutex;
  VideoWriter::Status status = VideoWriter::Status::unknown;
  std::string errorText;

  std::optional<TempFile> file;
  FormatContextPtr container;
  CodecContextPtr encoder;
  AVStream* stream = nullptr;
  PacketPtr packet;
  ScalePtr scaler;
  PixelFormat scalerFormat = PixelFormat::bgra;
  // The last buffer converted to 4:2:0, kept by content generation: a
  // picture that stays on screen is converted once, not once per frame.
  FramePtr converted;
  std::uint64_t convertedGeneration = 0;
  std::int64_t lastPts = INT64_MIN;

  std::thread finisher;
};

Status WriterState::start() {
  if (!settings)
    return Error{"the writer has no input"};
  if (auto problem = checkSettings(*settings))
    return *problem;
  silenceFfmpegLog();

  auto temp = TempFile::create(out, 0666);
  if (!temp)
    return temp.error();
  file.emplace(std::move(*temp));

  const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
  if (!codec)
    return Error{"the H.264 encoder libx264 is not available"};
  encoder.reset(avcodec_alloc_context3(codec));
  if (!encoder)
    return Error{"cannot allocate the H.264 encoder"};
  encoder->width = static_cast<int>(settings->width);
  encoder->height = static_cast<int>(settings->height);
  encoder->pix_fmt = AV_PIX_FMT_YUV420P;
  encoder->time_base = kTimeBase;
  encoder->framerate = av_inv_q(kTimeBase);
  encoder->bit_rate = settings->averageBitRate;
  encoder->sample_aspect_ratio = {1, 1};
  // Converted with BT.709 below, and said so, so players need not guess.
  encoder->color_primaries = AVCOL_PRI_BT709;
  encoder->color_trc = AVCOL_TRC_BT709;
  encoder->colorspace = AVCOL_SPC_BT709;
  encoder->color_range = AVCOL_RANGE_MPEG;
  av_opt_set(encoder->priv_data, "profile", "high", 0);

  AVFormatContext* rawContainer = nullptr;
  // The MPEG-4 muxer whatever the file's extension.
  if (int code = avformat_alloc_output_context2(&rawContainer, nullptr, "mp4", nullptr); code < 0)
    return avError("cannot create an MPEG-4 container", code);
  container.reset(rawContainer);
  if (container->oformat->flags & AVFMT_GLOBALHEADER)
    encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

  if (int code = avcodec_open2(encoder.get(), codec, nullptr); code < 0)
    return avError("cannot open the H.264 encoder", code);
  stream = avformat_new_stream(container.get(), nullptr);
  if (!stream)
    return Error{"cannot add a video track"};
  stream->time_base = kTimeBase;
  if (int code = avcodec_parameters_from_context(stream->codecpar, encoder.get()); code < 0)
    return avError("cannot describe the video track", code);

  // "file:" keeps a colon in the path from being read as a protocol name.
  const std::string url = "file:" + file->path().string();
  if (int code = avio_open(&container->pb, url.c_str(), AVIO_FLAG_WRITE); code < 0)
    return avError("cannot open " + file->path().string(), code);
  if (int code = avformat_write_header(container.get(), nullptr); code < 0)
    return avError("cannot write the MPEG-4 header", code);

  packet.reset(av_packet_alloc());
  if (!packet)
    return Error{"cannot allocate a packet"};
  return ok();
}

Status WriterState::convert(const PixelBuffer& buffer) {
  if (!scaler || scalerFormat != buffer.format()) {
    const AVPixelFormat source =
        buffer.format() == PixelFormat::bgra ? AV_PIX_FMT_BGRA : AV_PIX_FMT_RGBA;
    scaler.reset(sws_getContext(buffer.width(), buffer.height(), source, buffer.width(),
                                buffer.height(), AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr,
                                nullptr));
    if (!scaler)
      return Error{"cannot create the colour converter"};
    const int* rgbCoefficients = sws_getCoefficients(SWS_CS_DEFAULT);
    const int* yuvCoefficients = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(scaler.get(), rgbCoefficients, 1, yuvCoefficients, 0, 0, 1 << 16,
                             1 << 16);
    scalerFormat = buffer.format();
  }
  // A fresh frame each time: the encoder may still hold the previous one.
  FramePtr frame(av_frame_alloc());
  if (!frame)
    return Error{"cannot allocate a frame"};
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = buffer.width();
  frame->height = buffer.height();
  if (int code = av_frame_get_buffer(frame.get(), 0); code < 0)
    return avError("cannot allocate a frame", code);
  const std::uint8_t* source[1] = {buffer.baseAddress()};
  const int sourceStride[1] = {static_cast<int>(buffer.bytesPerRow())};
  sws_scale(scaler.get(), source, sourceStride, 0, buffer.height(), frame->data, frame->linesize);
  converted = std::move(frame);
  convertedGeneration = buffer.generation();
  return ok();
}

Status WriterState::encode(AVFrame* frame) {
  if (int code = avcodec_send_frame(encoder.get(), frame); code < 0)
    return avError("cannot encode a frame", code);
  for (;;) {
    int code = avcodec_receive_packet(encoder.get(), packet.get());
    if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
      return ok();
    if (code < 0)
      return avError("cannot encode a frame", code);
    // Every frame lasts one frame time, the last one included.
    packet->duration = 1;
    av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
    packet->stream_index = stream->index;
    code = av_write_frame(container.get(), packet.get());
    av_packet_unref(packet.get());
    if (code < 0)
      return avError("cannot write to " + file->path().string(), code);
  }
}

bool WriterState::append(const PixelBuffer& buffer, std::int64_t value, std::int32_t timescale) {
  if (currentStatus() != VideoWriter::Status::writing || inputFinished)
    return false;
  if (buffer.width() != settings->width || buffer.height() != settings->height) {
    fail(Error{"a picture of " + std::to_string(buffer.width()) + " x " +
               std::to_string(buffer.height()) + " does not fit the video's frame size"});
    return false;
  }
  if (timescale <= 0) {
    fail(Error{"a presentation time has no time scale"});
    return false;
  }
  const std::int64_t pts = av_rescale_q(value, {1, timescale}, kTimeBase) - sessionStartPts;
  if (pts <= lastPts) {
    fail(Error{"presentation time " + std::to_string(value) + "/" + std::to_string(timescale) +
               " does not follow the previous one"});
    return false;
  }
  if (!converted || convertedGeneration != buffer.generation()) {
    if (auto done = convert(buffer); !done) {
      fail(done.error());
      return false;
    }
  }
  FramePtr frame(av_frame_clone(converted.get()));
  if (!frame) {
    fail(Error{"cannot allocate a frame"});
    return false;
  }
  frame->pts = pts;
  if (auto done = encode(frame.get()); !done) {
    fail(done.error());
    return false;
  }
  lastPts = pts;
  return true;
}

Status WriterState::finish() {
  if (auto done = encode(nullptr); !done)
    return done;
  if (int code = av_write_trailer(container.get()); code < 0)
    return avError("cannot complete " + file->path().string(), code);
  if (int code = avio_closep(&container->pb); code < 0)
    return avError("cannot close " + file->path().string(), code);
  return file->commit();
}

bool VideoWriterInput::isReadyForMoreMediaData() const {
  // Appends are encoded before they return: the input never falls behind.
  return true;
}

void VideoWriterInput::markAsFinished() {
  state_.inputFinished = true;
}

struct PixelBufferAdaptor::Pool {
  PixelFormat format;
  int width = 0;
  int height = 0;
  std::mutex mutex;
  std::vector<std::unique_ptr<PixelBuffer>> idle;
};

PixelBufferAdaptor::PixelBufferAdaptor(VideoWriterInput& input, PixelFormat format,
                                       std::int64_t width, std::int64_t height)
    : state_(input.state_), pool_(std::make_shared<Pool>()) {
  pool_->format = format;
  // A size the input refuses leaves the pool empty-handed: the writer fails
  // on starting anyway.
  const bool fits = width > 0 && height > 0 && width <= kLargestSide && height <= kLargestSide;
  pool_->width = fits ? static_cast<int>(width) : 0;
  pool_->height = fits ? static_cast<int>(height) : 0;
}

PixelBufferAdaptor::~PixelBufferAdaptor() = default;

PixelBufferRef PixelBufferAdaptor::pixelBuffer() {
  if (state_.currentStatus() != VideoWriter::Status::writing || pool_->width == 0)
    return nullptr;
  std::unique_ptr<PixelBuffer> buffer;
  {
    std::lock_guard lock(pool_->mutex);
    if (!pool_->idle.empty()) {
      buffer = std::move(pool_->idle.back());
      pool_->idle.pop_back();
    }
  }
  if (!buffer)
    buffer = std::make_unique<PixelBuffer>(pool_->format, pool_->width, pool_->height);
  // Buffers outliving the adaptor are simply freed.
  std::weak_ptr<Pool> home = pool_;
  return PixelBufferRef(buffer.release(), [home](PixelBuffer* returned) {
    std::unique_ptr<PixelBuffer> owned(returned);
    if (auto pool = home.lock()) {
      std::lock_guard lock(pool->mutex);
      constexpr std::size_t kIdleKept = 3;
      if (pool->idle.size() < kIdleKept)
        pool->idle.push_back(std::move(owned));
    }
  });
}

bool PixelBufferAdaptor::append(const PixelBuffer& buffer, std::int64_t value,
                                std::int32_t timescale) {
  return state_.append(buffer, value, timescale);
}

VideoWriter::VideoWriter(std::filesystem::path out)
    : state_(std::make_unique<WriterState>(std::move(out))) {}

VideoWriter::~VideoWriter() {
  if (state_->finisher.joinable())
    state_->finisher.join();
}

VideoWriterInput& VideoWriter::addInput(const VideoSettings& settings) {
  state_->settings = settings;
  if (!state_->input)
    state_->input.emplace(VideoWriterInput(*state_));
  return *state_->input;
}

bool VideoWriter::startWriting() {
  if (state_->currentStatus() != Status::unknown)
    return false;
  if (auto started = state_->start(); !started) {
    state_->fail(started.error());
    return false;
  }
  std::lock_guard lock(state_->mutex);
  state_->status = Status::writing;
  return true;
}

void VideoWriter::startSession(std::int64_t value, std::int32_t timescale) {
  if (timescale > 0)
    state_->sessionStartPts = av_rescale_q(value, {1, timescale}, kTimeBase);
}

void VideoWriter::finishWriting(std::function<void()> completion) {
  if (state_->finisher.joinable())
    return;
  state_->finisher = std::thread([state = state_.get(), completion = std::move(completion)] {
    switch (state->currentStatus()) {
      case Status::unknown:
        state->fail(Error{"writing was never started"});
        break;
      case Status::writing:
        if (auto finished = state->finish(); !finished) {
          state->fail(finished.error());
        } else {
          std::lock_guard lock(state->mutex);
          state->status = Status::completed;
        }
        break;
      case Status::completed:
      case Status::failed:
        break;
    }
    // A failed run leaves no partial file behind.
    if (state->currentStatus() != Status::completed)
      state->file.reset();
    if (completion)
      completion();
  });
}

VideoWriter::Status VideoWriter::status() const {
  return state_->currentStatus();
}

std::string VideoWriter::error() const {
  std::lock_guard lock(state_->mutex);
  return state_->errorText;
}

}  // namespace vell::platform
