// The audio track of an export: decode, resample for AAC, keep the samples
// of the excerpt, encode in the encoder's frame size.
#include <cmath>
#include <vector>

#include "platform/video/export_tracks.hpp"

namespace vell::platform {

namespace {

constexpr std::int64_t audioBitRate = 128000;

int supportedRate(const AVCodec* codec, int rate) {
  for (const int* supported = codec->supported_samplerates; supported && *supported; ++supported)
    if (*supported == rate)
      return rate;
  return 48000;
}

}  // namespace

AudioTrack::AudioTrack(AVStream* source) : source_(source) {}
AudioTrack::~AudioTrack() = default;

Result<std::unique_ptr<AudioTrack>> AudioTrack::open(AVStream* source) {
  const AVCodec* codec = avcodec_find_decoder(source->codecpar->codec_id);
  if (!codec)
    return Error{std::string("no decoder for the audio codec ") +
                 avcodec_get_name(source->codecpar->codec_id)};
  std::unique_ptr<AudioTrack> track(new AudioTrack(source));
  track->decoder_.reset(avcodec_alloc_context3(codec));
  if (!track->decoder_)
    return Error{"cannot allocate an audio decoder"};
  if (int code = avcodec_parameters_to_context(track->decoder_.get(), source->codecpar); code < 0)
    return ffmpeg::error("cannot set up the audio decoder", code);
  track->decoder_->pkt_timebase = source->time_base;
  if (int code = avcodec_open2(track->decoder_.get(), codec, nullptr); code < 0)
    return ffmpeg::error("cannot open the audio decoder", code);
  if (track->decoder_->sample_rate <= 0 || track->decoder_->ch_layout.nb_channels <= 0)
    return Error{"the audio has no sample rate or no channels"};
  return track;
}

Status AudioTrack::addOutput(AVFormatContext* output, const Timeline& timeline,
                             MetadataFilter filter) {
  output_ = output;
  timeline_ = std::make_unique<Timeline>(timeline);
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
  if (!codec)
    return Error{"no AAC encoder"};
  encoder_.reset(avcodec_alloc_context3(codec));
  if (!encoder_)
    return Error{"cannot allocate the AAC encoder"};
  AVCodecContext* encoder = encoder_.get();
  encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
  encoder->sample_rate = supportedRate(codec, decoder_->sample_rate);
  // Mono stays mono; anything wider is mixed down to stereo for sharing.
  av_channel_layout_default(&encoder->ch_layout, decoder_->ch_layout.nb_channels == 1 ? 1 : 2);
  encoder->bit_rate = audioBitRate;
  encoder->time_base = {1, encoder->sample_rate};
  if (output->oformat->flags & AVFMT_GLOBALHEADER)
    encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (int code = avcodec_open2(encoder, codec, nullptr); code < 0)
    return ffmpeg::error("cannot open the AAC encoder", code);

  fifo_.reset(av_audio_fifo_alloc(encoder->sample_fmt, encoder->ch_layout.nb_channels,
                                  std::max(encoder->frame_size, 1024) * 4));
  if (!fifo_)
    return Error{"cannot allocate the audio buffer"};
  stream_ = avformat_new_stream(output, nullptr);
  if (!stream_)
    return Error{"cannot add the audio stream"};
  if (int code = avcodec_parameters_from_context(stream_->codecpar, encoder); code < 0)
    return ffmpeg::error("cannot set up the audio stream", code);
  stream_->time_base = encoder->time_base;
  copyStreamTags(source_, stream_, filter);
  return ok();
}

Status AudioTrack::decode(const AVPacket* packet) {
  int code = avcodec_send_packet(decoder_.get(), packet);
  if (code < 0 && code != AVERROR_INVALIDDATA && code != AVERROR_EOF)
    return ffmpeg::error("cannot decode the audio", code);
  return receiveFrames();
}

Status AudioTrack::receiveFrames() {
  AVFrame* frame = decoded_.get();
  for (;;) {
    int code = avcodec_receive_frame(decoder_.get(), frame);
    if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
      return ok();
    if (code == AVERROR_INVALIDDATA)
      continue;
    if (code < 0)
      return ffmpeg::error("cannot decode the audio", code);
    Status kept = keep(frame);
    av_frame_unref(frame);
    if (!kept)
      return kept;
  }
}

Status AudioTrack::keep(AVFrame* frame) {
  if (pastEnd_)
    return ok();
  if (frame->best_effort_timestamp != AV_NOPTS_VALUE) {
    double begin = timeline_->fromStart(frame->best_effort_timestamp);
    if (begin >= timeline_->length()) {
      pastEnd_ = true;
      return ok();
    }
    // Samples are counted from the first frame on, so that a stream that
    // starts late keeps its offset and small timestamp jitter does not
    // make gaps.
    if (!positioned_) {
      position_ = std::llround(begin * encoder_->sample_rate);
      positioned_ = true;
    }
  }
  positioned_ = true;

  AVChannelLayout from;
  if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels <= 0)
    av_channel_layout_default(
        &from, std::max(frame->ch_layout.nb_channels, decoder_->ch_layout.nb_channels));
  else
    av_channel_layout_copy(&from, &frame->ch_layout);
  if (!resampler_) {
    SwrContext* resampler = nullptr;
    int code = swr_alloc_set_opts2(&resampler, &encoder_->ch_layout, encoder_->sample_fmt,
                                   encoder_->sample_rate, &from, AVSampleFormat(frame->format),
                                   frame->sample_rate, 0, nullptr);
    resampler_.reset(resampler);
    if (code >= 0)
      code = swr_init(resampler);
    if (code < 0) {
      av_channel_layout_uninit(&from);
      return ffmpeg::error("cannot convert the audio", code);
    }
  }
  av_channel_layout_uninit(&from);

  int capacity = swr_get_out_samples(resampler_.get(), frame->nb_samples);
  std::vector<float> buffer(std::size_t(std::max(capacity, 1)) * encoder_->ch_layout.nb_channels);
  std::vector<std::uint8_t*> planes;
  for (int channel = 0; channel < encoder_->ch_layout.nb_channels; ++channel)
    planes.push_back(
        reinterpret_cast<std::uint8_t*>(buffer.data() + std::size_t(channel) * capacity));
  int count =
      swr_convert(resampler_.get(), planes.data(), capacity,
                  const_cast<const std::uint8_t**>(frame->extended_data), frame->nb_samples);
  if (count < 0)
    return ffmpeg::error("cannot convert the audio", count);
  return keepSamples(planes.data(), count);
}

Status AudioTrack::keepSamples(std::uint8_t** data, int count) {
  std::int64_t first = position_;
  position_ += count;
  double length = timeline_->length();
  std::int64_t end = std::isfinite(length) ? std::llround(length * encoder_->sample_rate)
                                           : std::numeric_limits<std::int64_t>::max();
  std::int64_t from = std::max<std::int64_t>(first, 0);
  std::int64_t to = std::min<std::int64_t>(first + count, end);
  if (to > from) {
    if (!started_) {
      nextPts_ = from;
      started_ = true;
    }
    std::vector<std::uint8_t*> planes;
    for (int channel = 0; channel < encoder_->ch_layout.nb_channels; ++channel)
      planes.push_back(data[channel] + (from - first) * sizeof(float));
    if (av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(planes.data()), int(to - from)) <
        0)
      return Error{"cannot buffer the audio"};
  }
  if (first + count >= end)
    pastEnd_ = true;
  return encodeFromFifo(false);
}

Status AudioTrack::encodeFromFifo(bool all) {
  int frameSize = encoder_->frame_size > 0 ? encoder_->frame_size : 1024;
  while (av_audio_fifo_size(fifo_.get()) >= frameSize ||
         (all && av_audio_fifo_size(fifo_.get()) > 0)) {
    int count = std::min(frameSize, av_audio_fifo_size(fifo_.get()));
    ffmpeg::FramePtr frame = ffmpeg::makeFrame();
    frame->nb_samples = count;
    frame->format = encoder_->sample_fmt;
    frame->sample_rate = encoder_->sample_rate;
    av_channel_layout_copy(&frame->ch_layout, &encoder_->ch_layout);
    if (int code = av_frame_get_buffer(frame.get(), 0); code < 0)
      return ffmpeg::error("cannot allocate audio", code);
    if (av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame->data), count) < count)
      return Error{"cannot read the audio buffer"};
    frame->pts = nextPts_;
    nextPts_ += count;
    if (int code = avcodec_send_frame(encoder_.get(), frame.get()); code < 0)
      return ffmpeg::error("cannot encode the audio", code);
    Status written = ffmpeg::drainEncoder(encoder_.get(), packet_.get(), [&](AVPacket* packet) {
      return writePacket(output_, stream_, encoder_->time_base, packet);
    });
    if (!written)
      return written;
  }
  return ok();
}

Status AudioTrack::finish() {
  if (Status flushed = decode(nullptr); !flushed)
    return flushed;
  if (resampler_ && !pastEnd_) {
    int capacity = swr_get_out_samples(resampler_.get(), 0);
    if (capacity > 0) {
      std::vector<float> buffer(std::size_t(capacity) * encoder_->ch_layout.nb_channels);
      std::vector<std::uint8_t*> planes;
      for (int channel = 0; channel < encoder_->ch_layout.nb_channels; ++channel)
        planes.push_back(
            reinterpret_cast<std::uint8_t*>(buffer.data() + std::size_t(channel) * capacity));
      int count = swr_convert(resampler_.get(), planes.data(), capacity, nullptr, 0);
      if (count > 0)
        if (Status kept = keepSamples(planes.data(), count); !kept)
          return kept;
    }
  }
  if (Status encoded = encodeFromFifo(true); !encoded)
    return encoded;
  if (int code = avcodec_send_frame(encoder_.get(), nullptr); code < 0 && code != AVERROR_EOF)
    return ffmpeg::error("cannot finish the audio", code);
  return ffmpeg::drainEncoder(encoder_.get(), packet_.get(), [&](AVPacket* packet) {
    return writePacket(output_, stream_, encoder_->time_base, packet);
  });
}

}  // namespace vell::platform
