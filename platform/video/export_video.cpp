// The video track of an export: decode, keep the frames of the excerpt,
// scale to the export size, turn upright, encode H.264.
#include <cmath>

extern "C" {
#include <libavutil/display.h>
#include <libavutil/opt.h>
}

#include "platform/video/export_tracks.hpp"

namespace vell::platform {

namespace {

// A frame counts as inside the excerpt when it shows for more than this.
constexpr double timeTolerance = 1e-6;

QuarterTurns turnsOf(const AVStream* stream) {
  std::size_t size = 0;
  const std::uint8_t* matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
  if (!matrix || size < 9 * sizeof(std::int32_t))
    return QuarterTurns::none;
  return turnsFromAngle(av_display_rotation_get(reinterpret_cast<const std::int32_t*>(matrix)));
}

// Copies a `width` × `height` plane turned clockwise by `turns`.
void turnPlane(const std::uint8_t* from, int fromStride, int width, int height, std::uint8_t* to,
               int toStride, QuarterTurns turns) {
  bool sideways = turns == QuarterTurns::one || turns == QuarterTurns::three;
  int toWidth = sideways ? height : width;
  int toHeight = sideways ? width : height;
  for (int row = 0; row < toHeight; ++row) {
    std::uint8_t* out = to + std::ptrdiff_t(row) * toStride;
    for (int column = 0; column < toWidth; ++column) {
      int x = 0, y = 0;
      switch (turns) {
        case QuarterTurns::one:
          x = row;
          y = height - 1 - column;
          break;
        case QuarterTurns::two:
          x = width - 1 - column;
          y = height - 1 - row;
          break;
        case QuarterTurns::three:
          x = width - 1 - row;
          y = column;
          break;
        case QuarterTurns::none:
          x = column;
          y = row;
          break;
      }
      out[column] = from[std::ptrdiff_t(y) * fromStride + x];
    }
  }
}

AVRational frameRateOf(const AVStream* stream) {
  for (AVRational rate : {stream->avg_frame_rate, stream->r_frame_rate})
    if (rate.num > 0 && rate.den > 0 && av_q2d(rate) <= 1000)
      return rate;
  return {30, 1};
}

Status allocate(AVFrame* frame, PixelSize size) {
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = size.width;
  frame->height = size.height;
  if (int code = av_frame_get_buffer(frame, 0); code < 0)
    return ffmpeg::error("cannot allocate a picture", code);
  return ok();
}

}  // namespace

VideoTrack::VideoTrack(AVStream* source) : source_(source) {}
VideoTrack::~VideoTrack() = default;

Result<std::unique_ptr<VideoTrack>> VideoTrack::open(AVStream* source) {
  const AVCodec* codec = avcodec_find_decoder(source->codecpar->codec_id);
  if (!codec)
    return Error{std::string("no decoder for the video codec ") +
                 avcodec_get_name(source->codecpar->codec_id)};
  std::unique_ptr<VideoTrack> track(new VideoTrack(source));
  track->decoder_.reset(avcodec_alloc_context3(codec));
  if (!track->decoder_)
    return Error{"cannot allocate a video decoder"};
  if (int code = avcodec_parameters_to_context(track->decoder_.get(), source->codecpar); code < 0)
    return ffmpeg::error("cannot set up the video decoder", code);
  track->decoder_->pkt_timebase = source->time_base;
  track->decoder_->thread_count = 0;  // as many as there are cores
  if (int code = avcodec_open2(track->decoder_.get(), codec, nullptr); code < 0)
    return ffmpeg::error("cannot open the video decoder", code);
  if (source->codecpar->width <= 0 || source->codecpar->height <= 0)
    return Error{"the video has no picture size"};
  track->turns_ = turnsOf(source);
  AVRational rate = frameRateOf(source);
  track->frameDuration_ =
      std::max<std::int64_t>(1, av_rescale_q(1, av_inv_q(rate), source->time_base));
  return track;
}

PixelSize VideoTrack::exportSize(ExportPreset preset) const {
  AVRational sar = source_->sample_aspect_ratio.num > 0 ? source_->sample_aspect_ratio
                                                        : source_->codecpar->sample_aspect_ratio;
  bool large = preset == ExportPreset::preset1920x1080;
  return fitToBox({source_->codecpar->width, source_->codecpar->height}, sar.num, sar.den, turns_,
                  large ? 1920 : 1280, large ? 1080 : 720);
}

Status VideoTrack::addOutput(AVFormatContext* output, ExportPreset preset, const Timeline& timeline,
                             MetadataFilter filter) {
  output_ = output;
  timeline_ = std::make_unique<Timeline>(timeline);
  size_ = exportSize(preset);
  bool sideways = turns_ == QuarterTurns::one || turns_ == QuarterTurns::three;
  scaledSize_ = sideways ? PixelSize{size_.height, size_.width} : size_;

  const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
  if (!codec)
    return Error{"no H.264 encoder (libx264)"};
  encoder_.reset(avcodec_alloc_context3(codec));
  if (!encoder_)
    return Error{"cannot allocate the H.264 encoder"};
  AVCodecContext* encoder = encoder_.get();
  encoder->width = size_.width;
  encoder->height = size_.height;
  encoder->pix_fmt = AV_PIX_FMT_YUV420P;
  encoder->sample_aspect_ratio = {1, 1};
  encoder->time_base = source_->time_base;
  encoder->framerate = frameRateOf(source_);
  encoder->thread_count = 0;  // x264 picks its threads for the cores
  encoder->color_range = AVCOL_RANGE_MPEG;
  encoder->color_primaries = source_->codecpar->color_primaries;
  encoder->color_trc = source_->codecpar->color_trc;
  encoder->colorspace = source_->codecpar->color_space;
  if (output->oformat->flags & AVFMT_GLOBALHEADER)
    encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  av_opt_set(encoder->priv_data, "preset", "medium", 0);
  av_opt_set(encoder->priv_data, "profile", "high", 0);
  av_opt_set_double(encoder->priv_data, "crf", 23, 0);
  if (int code = avcodec_open2(encoder, codec, nullptr); code < 0)
    return ffmpeg::error("cannot open the H.264 encoder", code);

  stream_ = avformat_new_stream(output, nullptr);
  if (!stream_)
    return Error{"cannot add the video stream"};
  if (int code = avcodec_parameters_from_context(stream_->codecpar, encoder); code < 0)
    return ffmpeg::error("cannot set up the video stream", code);
  stream_->time_base = encoder->time_base;
  stream_->avg_frame_rate = encoder->framerate;
  copyStreamTags(source_, stream_, filter);
  return ok();
}

Status VideoTrack::decode(const AVPacket* packet) {
  int code = avcodec_send_packet(decoder_.get(), packet);
  // A damaged packet costs its frames, as in any player; the rest goes on.
  if (code < 0 && code != AVERROR_INVALIDDATA && code != AVERROR_EOF)
    return ffmpeg::error("cannot decode the video", code);
  return receiveFrames();
}

Status VideoTrack::receiveFrames() {
  AVFrame* frame = decoded_.get();
  for (;;) {
    int code = avcodec_receive_frame(decoder_.get(), frame);
    if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
      return ok();
    if (code == AVERROR_INVALIDDATA)
      continue;
    if (code < 0)
      return ffmpeg::error("cannot decode the video", code);
    std::int64_t timestamp = frame->best_effort_timestamp;
    if (timestamp == AV_NOPTS_VALUE)
      timestamp =
          lastPts_ == std::numeric_limits<std::int64_t>::min() ? 0 : lastPts_ + frameDuration_;
    double begin = timeline_->fromStart(timestamp);
    double shown = (frame->pkt_duration > 0 ? frame->pkt_duration : frameDuration_) *
                   av_q2d(source_->time_base);
    if (begin >= timeline_->length() - timeTolerance) {
      pastEnd_ = true;
    } else if (begin + shown > timeTolerance) {
      // The frame showing at the excerpt's start is its first frame.
      std::int64_t pts = std::llround(std::max(begin, 0.0) / av_q2d(source_->time_base));
      if (lastPts_ != std::numeric_limits<std::int64_t>::min() && pts <= lastPts_)
        pts = lastPts_ + 1;
      lastPts_ = pts;
      auto converted = convert(frame);
      if (!converted) {
        av_frame_unref(frame);
        return converted.error();
      }
      (*converted)->pts = pts;
      Status encoded = encode(*converted);
      if (!encoded) {
        av_frame_unref(frame);
        return encoded;
      }
    }
    av_frame_unref(frame);
  }
}

Result<AVFrame*> VideoTrack::convert(AVFrame* frame) {
  bool fullRange = frame->color_range == AVCOL_RANGE_JPEG || frame->format == AV_PIX_FMT_YUVJ420P ||
                   frame->format == AV_PIX_FMT_YUVJ422P || frame->format == AV_PIX_FMT_YUVJ444P;
  bool ready = frame->format == AV_PIX_FMT_YUV420P && !fullRange &&
               frame->width == scaledSize_.width && frame->height == scaledSize_.height;
  AVFrame* picture = frame;
  if (!ready) {
    // The scaler follows the source, whose size or format may change.
    if (!scaler_ || frame->width != scalerWidth_ || frame->height != scalerHeight_ ||
        frame->format != scalerFormat_ || int(fullRange) != scalerRange_) {
      scaler_.reset(sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format),
                                   scaledSize_.width, scaledSize_.height, AV_PIX_FMT_YUV420P,
                                   SWS_BICUBIC, nullptr, nullptr, nullptr));
      if (!scaler_)
        return Error{"cannot scale pictures of this format"};
      const int* coefficients = sws_getCoefficients(SWS_CS_DEFAULT);
      sws_setColorspaceDetails(scaler_.get(), coefficients, fullRange, coefficients, 0, 0, 1 << 16,
                               1 << 16);
      scalerWidth_ = frame->width;
      scalerHeight_ = frame->height;
      scalerFormat_ = frame->format;
      scalerRange_ = fullRange;
    }
    if (!scaled_->data[0])
      if (Status allocated = allocate(scaled_.get(), scaledSize_); !allocated)
        return allocated.error();
    // The encoder may still hold the last picture.
    if (int code = av_frame_make_writable(scaled_.get()); code < 0)
      return ffmpeg::error("cannot allocate a picture", code);
    sws_scale(scaler_.get(), frame->data, frame->linesize, 0, frame->height, scaled_->data,
              scaled_->linesize);
    picture = scaled_.get();
  }
  if (turns_ == QuarterTurns::none)
    return picture;
  if (!turned_->data[0])
    if (Status allocated = allocate(turned_.get(), size_); !allocated)
      return allocated.error();
  if (int code = av_frame_make_writable(turned_.get()); code < 0)
    return ffmpeg::error("cannot allocate a picture", code);
  for (int plane = 0; plane < 3; ++plane) {
    int shift = plane == 0 ? 0 : 1;
    turnPlane(picture->data[plane], picture->linesize[plane], scaledSize_.width >> shift,
              scaledSize_.height >> shift, turned_->data[plane], turned_->linesize[plane], turns_);
  }
  return turned_.get();
}

Status VideoTrack::encode(AVFrame* frame) {
  frame->pict_type = AV_PICTURE_TYPE_NONE;
  frame->color_range = AVCOL_RANGE_MPEG;
  if (int code = avcodec_send_frame(encoder_.get(), frame); code < 0)
    return ffmpeg::error("cannot encode the video", code);
  ++framesEncoded_;
  return ffmpeg::drainEncoder(encoder_.get(), packet_.get(), [&](AVPacket* packet) {
    if (packet->duration <= 0)
      packet->duration = frameDuration_;
    return writePacket(output_, stream_, encoder_->time_base, packet);
  });
}

Status VideoTrack::finish() {
  if (Status flushed = decode(nullptr); !flushed)
    return flushed;
  if (int code = avcodec_send_frame(encoder_.get(), nullptr); code < 0 && code != AVERROR_EOF)
    return ffmpeg::error("cannot finish the video", code);
  return ffmpeg::drainEncoder(encoder_.get(), packet_.get(), [&](AVPacket* packet) {
    if (packet->duration <= 0)
      packet->duration = frameDuration_;
    return writePacket(output_, stream_, encoder_->time_base, packet);
  });
}

Status writePacket(AVFormatContext* output, AVStream* stream, AVRational from, AVPacket* packet) {
  av_packet_rescale_ts(packet, from, stream->time_base);
  packet->stream_index = stream->index;
  if (int code = av_interleaved_write_frame(output, packet); code < 0)
    return ffmpeg::error("cannot write the video file", code);
  return ok();
}

void copyStreamTags(const AVStream* from, AVStream* to, MetadataFilter filter) {
  if (filter == MetadataFilter::none) {
    av_dict_copy(&to->metadata, from->metadata, 0);
    return;
  }
  if (const AVDictionaryEntry* language = av_dict_get(from->metadata, "language", nullptr, 0))
    av_dict_set(&to->metadata, "language", language->value, 0);
}

}  // namespace vell::platform
