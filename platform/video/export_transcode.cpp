#include "platform/video/export_transcode.hpp"

#include <cmath>

namespace vell::platform {

namespace {

Excerpt excerptOf(const std::optional<TimeRange>& range) {
  Excerpt excerpt;
  if (range) {
    excerpt.start = std::max(0.0, range->start.seconds());
    excerpt.end = excerpt.start + std::max(0.0, range->duration.seconds());
  }
  return excerpt;
}

}  // namespace

Transcoder::~Transcoder() = default;

int Transcoder::interrupted(void* transcoder) {
  const auto* self = static_cast<const Transcoder*>(transcoder);
  return self->cancelled_ && self->cancelled_->load();
}

Result<std::unique_ptr<Transcoder>> Transcoder::open(const std::filesystem::path& source) {
  std::unique_ptr<Transcoder> transcoder(new Transcoder);
  AVFormatContext* context = avformat_alloc_context();
  if (!context)
    return Error{"cannot allocate a demuxer"};
  context->interrupt_callback = {&Transcoder::interrupted, transcoder.get()};
  // Only local files: a catalogue entry must not make us open a URL.
  if (int code =
          avformat_open_input(&context, ("file:" + source.string()).c_str(), nullptr, nullptr);
      code < 0)
    return ffmpeg::error("cannot open " + source.string(), code);
  transcoder->input_.reset(context);
  if (int code = avformat_find_stream_info(context, nullptr); code < 0)
    return ffmpeg::error("cannot read " + source.string(), code);
  transcoder->videoIndex_ = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (transcoder->videoIndex_ < 0)
    return Error{"no video in " + source.string()};
  auto video = VideoTrack::open(context->streams[transcoder->videoIndex_]);
  if (!video)
    return video.error();
  transcoder->video_ = std::move(*video);
  transcoder->audioIndex_ =
      av_find_best_stream(context, AVMEDIA_TYPE_AUDIO, -1, transcoder->videoIndex_, nullptr, 0);
  if (transcoder->audioIndex_ >= 0) {
    auto audio = AudioTrack::open(context->streams[transcoder->audioIndex_]);
    if (!audio)
      return audio.error();
    transcoder->audio_ = std::move(*audio);
  }
  return transcoder;
}

Status Transcoder::seek(double seconds) {
  // Lands on the key frame at or before the excerpt; the tracks drop what
  // comes before it, so the cut stays exact.
  auto timestamp = static_cast<std::int64_t>(std::floor(seconds * AV_TIME_BASE));
  if (avformat_seek_file(input_.get(), -1, INT64_MIN, timestamp, timestamp, 0) < 0)
    av_seek_frame(input_.get(), -1, 0, AVSEEK_FLAG_BACKWARD);
  return ok();
}

Status Transcoder::run(const std::filesystem::path& output, const TranscodeSettings& settings,
                       const std::atomic<bool>& cancelled) {
  cancelled_ = &cancelled;
  AVFormatContext* input = input_.get();
  double origin =
      input->start_time != AV_NOPTS_VALUE ? double(input->start_time) / AV_TIME_BASE : 0;
  Excerpt excerpt = excerptOf(settings.timeRange);
  if (excerpt.end <= excerpt.start)
    return Error{"the excerpt is empty"};

  AVFormatContext* context = nullptr;
  if (int code = avformat_alloc_output_context2(&context, nullptr, "mp4", output.c_str()); code < 0)
    return ffmpeg::error("cannot make an MPEG-4 file", code);
  ffmpeg::OutputPtr muxer(context);
  muxer->interrupt_callback = {&Transcoder::interrupted, this};
  if (settings.filter == MetadataFilter::none)
    av_dict_copy(&muxer->metadata, input->metadata, 0);

  AVStream* videoSource = input->streams[videoIndex_];
  if (Status added =
          video_->addOutput(muxer.get(), settings.preset,
                            Timeline(videoSource->time_base, origin, excerpt), settings.filter);
      !added)
    return added;
  if (audio_) {
    AVStream* audioSource = input->streams[audioIndex_];
    if (Status added = audio_->addOutput(
            muxer.get(), Timeline(audioSource->time_base, origin, excerpt), settings.filter);
        !added)
      return added;
  }
  if (int code = avio_open2(&muxer->pb, ("file:" + output.string()).c_str(), AVIO_FLAG_WRITE,
                            &muxer->interrupt_callback, nullptr);
      code < 0)
    return ffmpeg::error("cannot write " + output.string(), code);
  AVDictionary* options = nullptr;
  if (settings.networkUse == NetworkUse::optimized)
    av_dict_set(&options, "movflags", "+faststart", 0);
  int code = avformat_write_header(muxer.get(), &options);
  av_dict_free(&options);
  if (code < 0)
    return ffmpeg::error("cannot write " + output.string(), code);

  if (excerpt.start > 0)
    seek(origin + excerpt.start);
  ffmpeg::PacketPtr packet = ffmpeg::makePacket();
  for (;;) {
    if (cancelled)
      return Error{"the export was cancelled"};
    code = av_read_frame(input, packet.get());
    if (code == AVERROR_EOF)
      break;
    if (code == AVERROR_EXIT && cancelled)
      return Error{"the export was cancelled"};
    if (code < 0)
      return ffmpeg::error("cannot read the video file", code);
    Status routed = ok();
    if (packet->stream_index == videoIndex_)
      routed = video_->decode(packet.get());
    else if (audio_ && packet->stream_index == audioIndex_)
      routed = audio_->decode(packet.get());
    av_packet_unref(packet.get());
    if (!routed)
      return routed;
    if (video_->pastEnd() && (!audio_ || audio_->pastEnd()))
      break;
  }
  if (Status finished = video_->finish(); !finished)
    return finished;
  if (audio_)
    if (Status finished = audio_->finish(); !finished)
      return finished;
  if (video_->framesEncoded() == 0)
    return Error{"the excerpt holds no video frames"};
  if (code = av_write_trailer(muxer.get()); code < 0)
    return ffmpeg::error("cannot finish " + output.string(), code);
  if (code = avio_closep(&muxer->pb); code < 0)
    return ffmpeg::error("cannot write " + output.string(), code);
  return ok();
}

}  // namespace vell::platform
