#include "AnimationReader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}
#include <webp/demux.h>

#include <cstring>

#include "TempDir.h"

namespace {

uint32_t BigEndian32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}

// The loop count the file's bytes carry: GIF's NETSCAPE2.0 block, APNG's acTL chunk.
int LoopsInBytes(const std::string& bytes) {
  if (const size_t at = bytes.find("NETSCAPE2.0");
      at != std::string::npos && at + 15 <= bytes.size())
    return static_cast<unsigned char>(bytes[at + 13]) | static_cast<unsigned char>(bytes[at + 14])
                                                            << 8;
  if (const size_t at = bytes.find("acTL"); at != std::string::npos && at + 12 <= bytes.size())
    return static_cast<int>(BigEndian32(bytes, at + 8));
  return -1;
}

std::string Reason(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

struct Decoder {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  SwsContext* sws = nullptr;
  std::vector<int64_t> pts;
  std::vector<int64_t> lengths;  // as the packets say, 0 when they do not
  ~Decoder() {
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
  }

  void Take(ReadAnimation& out) {
    util::Image image;
    image.width = frame->width;
    image.height = frame->height;
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    sws = sws_getCachedContext(
        sws, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), frame->width,
        frame->height, AV_PIX_FMT_RGB32, SWS_BILINEAR | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
        nullptr, nullptr, nullptr);
    // Colours as the file says they were made.
    const int space =
        frame->colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : frame->colorspace;
    sws_setColorspaceDetails(sws, sws_getCoefficients(space),
                             frame->color_range == AVCOL_RANGE_JPEG,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    uint8_t* planes[4] = {reinterpret_cast<uint8_t*>(image.pixels.data())};
    int pitches[4] = {image.width * 4};
    sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, pitches);
    for (uint32_t& p : image.pixels) p |= 0xFF000000u;
    out.frames.push_back(std::move(image));
    pts.push_back(frame->best_effort_timestamp);
    lengths.push_back(frame->pkt_duration);
  }

  bool Receive(ReadAnimation& out) {
    for (;;) {
      const int rc = avcodec_receive_frame(codec, frame);
      if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
      if (rc < 0) {
        out.error = "decoding: " + Reason(rc);
        return false;
      }
      Take(out);
    }
  }
};

}  // namespace

ReadAnimation ReadWithFFmpeg(const std::string& path) {
  ReadAnimation out;
  av_log_set_level(AV_LOG_ERROR);
  Decoder d;
  int rc = avformat_open_input(&d.format, path.c_str(), nullptr, nullptr);
  if (rc >= 0) rc = avformat_find_stream_info(d.format, nullptr);
  if (rc < 0) {
    out.error = "opening: " + Reason(rc);
    return out;
  }
  const AVStream* stream = d.format->streams[0];
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  d.codec = avcodec_alloc_context3(codec);
  avcodec_parameters_to_context(d.codec, stream->codecpar);
  rc = avcodec_open2(d.codec, codec, nullptr);
  if (rc < 0) {
    out.error = "decoder: " + Reason(rc);
    return out;
  }
  while (av_read_frame(d.format, d.packet) >= 0) {
    rc = avcodec_send_packet(d.codec, d.packet);
    av_packet_unref(d.packet);
    if (rc < 0 || !d.Receive(out)) return out;
  }
  avcodec_send_packet(d.codec, nullptr);
  if (!d.Receive(out)) return out;
  out.width = d.codec->width;
  out.height = d.codec->height;
  // As long as its packet says; else until the next frame, the last until the file's end.
  const double unit = av_q2d(stream->time_base);
  const double end = d.format->duration / double(AV_TIME_BASE);
  for (size_t i = 0; i < d.pts.size(); ++i) {
    if (d.lengths[i] > 0)
      out.durations.push_back(d.lengths[i] * unit);
    else
      out.durations.push_back(i + 1 < d.pts.size() ? (d.pts[i + 1] - d.pts[i]) * unit
                                                   : end - d.pts[i] * unit);
  }
  out.loops = LoopsInBytes(testsupport::ReadFile(path));
  return out;
}

ReadAnimation ReadWebP(const std::string& path) {
  ReadAnimation out;
  const std::string bytes = testsupport::ReadFile(path);
  const WebPData data{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
  WebPAnimDecoderOptions options;
  WebPAnimDecoderOptionsInit(&options);
  options.color_mode = MODE_BGRA;  // 0xAARRGGBB words in memory
  WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
  WebPAnimInfo info{};
  if (!decoder || !WebPAnimDecoderGetInfo(decoder, &info)) {
    out.error = "not an animated WebP";
    WebPAnimDecoderDelete(decoder);
    return out;
  }
  out.width = static_cast<int>(info.canvas_width);
  out.height = static_cast<int>(info.canvas_height);
  out.loops = static_cast<int>(info.loop_count);
  int previous = 0;
  while (WebPAnimDecoderHasMoreFrames(decoder)) {
    uint8_t* canvas = nullptr;
    int end = 0;  // the frame's end, in milliseconds
    if (!WebPAnimDecoderGetNext(decoder, &canvas, &end)) {
      out.error = "a frame does not decode";
      break;
    }
    util::Image image;
    image.width = out.width;
    image.height = out.height;
    image.pixels.resize(static_cast<size_t>(out.width) * out.height);
    std::memcpy(image.pixels.data(), canvas, image.pixels.size() * 4);
    for (uint32_t& p : image.pixels) p |= 0xFF000000u;
    out.frames.push_back(std::move(image));
    out.durations.push_back((end - previous) / 1000.0);
    previous = end;
  }
  WebPAnimDecoderDelete(decoder);
  return out;
}
