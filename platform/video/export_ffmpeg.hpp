#pragma once

// Owners for the FFmpeg handles of the export, and FFmpeg error texts.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

#include "common/result.hpp"

namespace vell::platform::ffmpeg {

struct InputClose {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct OutputClose {
  void operator()(AVFormatContext* context) const {
    if (context->pb && !(context->oformat->flags & AVFMT_NOFILE))
      avio_closep(&context->pb);
    avformat_free_context(context);
  }
};
struct CodecClose {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameFree {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFree {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerFree {
  void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};
struct ResamplerFree {
  void operator()(SwrContext* resampler) const { swr_free(&resampler); }
};
struct FifoFree {
  void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};

using InputPtr = std::unique_ptr<AVFormatContext, InputClose>;
using OutputPtr = std::unique_ptr<AVFormatContext, OutputClose>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecClose>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerFree>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerFree>;
using FifoPtr = std::unique_ptr<AVAudioFifo, FifoFree>;

inline std::string errorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// "`what`: <FFmpeg's text for `code`>".
inline Error error(const std::string& what, int code) {
  return Error{what + ": " + errorText(code)};
}

inline FramePtr makeFrame() {
  return FramePtr(av_frame_alloc());
}
inline PacketPtr makePacket() {
  return PacketPtr(av_packet_alloc());
}

// Receives every packet an encoder has ready and hands it to `write`
// (stops at the first failure). Returns the encoder's or writer's status.
template <typename Write>
Status drainEncoder(AVCodecContext* encoder, AVPacket* packet, Write&& write) {
  for (;;) {
    int code = avcodec_receive_packet(encoder, packet);
    if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
      return ok();
    if (code < 0)
      return error("cannot encode", code);
    Status written = write(packet);
    av_packet_unref(packet);
    if (!written)
      return written;
  }
}

}  // namespace vell::platform::ffmpeg
