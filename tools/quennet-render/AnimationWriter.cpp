#include "AnimationWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include <cstdio>

namespace render_tool {
namespace {

// How one format is made: muxer, encoder and the filters from the picture's BGRA to what the
// encoder takes. Options are "key=value" lists separated by ':'.
struct Recipe {
  const char* name;  // for messages
  const char* muxer;
  const char* encoder;
  const char* filters;
  const char* encoderOptions;
  const char* muxerOptions;
  bool evenSides;
};

// Browsers and players read the colours as BT.709 when the file says so.
constexpr const char* kToVideoColours = "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p";

Recipe RecipeFor(AnimationFormat format) {
  switch (format) {
    case AnimationFormat::Gif:
      // A palette of its own for every frame: the background's colour moves through more
      // shades over an animation than one palette of 256 holds.
      return {"GIF", "gif",
              "gif", "split[a][b];[a]palettegen=stats_mode=single[p];[b][p]paletteuse=new=1",
              "",    "loop=0",
              false};
    case AnimationFormat::WebP:
      return {"WebP", "webp", "libwebp_anim", "format=bgra", "lossless=1", "loop=0", false};
    case AnimationFormat::Apng:
      return {"APNG", "apng", "apng", "format=rgb24", "", "plays=0", false};
    case AnimationFormat::Mp4:
      // crf 18: the torus's highlights keep their smooth fall-off; faststart puts the index
      // first, so the file plays while it downloads.
      return {
          "MP4", "mp4", "libx264", kToVideoColours, "crf=18:preset=medium", "movflags=+faststart",
          true};
    case AnimationFormat::WebM:
      return {"WebM",
              "webm",
              "libvpx-vp9",
              kToVideoColours,
              "crf=24:b=0:deadline=good:cpu-used=2:row-mt=1",
              "",
              false};
    case AnimationFormat::Png:
      break;
  }
  return {"PNG", nullptr, nullptr, nullptr, nullptr, nullptr, false};
}

std::string Reason(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

struct Options {
  AVDictionary* dict = nullptr;
  explicit Options(const char* list) {
    if (list && *list) av_dict_parse_string(&dict, list, "=", ":", 0);
  }
  ~Options() { av_dict_free(&dict); }
};

}  // namespace

struct AnimationWriter::State {
  Recipe recipe{};
  int width = 0;  // the picture's
  int height = 0;
  int frameWidth = 0;  // the frames', past the picture where the format needs even sides
  int frameHeight = 0;
  int64_t next = 0;
  int savedLogLevel = AV_LOG_INFO;
  AVFormatContext* muxer = nullptr;
  AVStream* stream = nullptr;
  AVCodecContext* encoder = nullptr;
  AVFilterGraph* graph = nullptr;
  AVFilterContext* source = nullptr;
  AVFilterContext* sink = nullptr;
  AVFrame* frame = nullptr;
  AVFrame* filtered = nullptr;
  AVPacket* packet = nullptr;

  ~State() {
    av_packet_free(&packet);
    av_frame_free(&filtered);
    av_frame_free(&frame);
    avfilter_graph_free(&graph);
    avcodec_free_context(&encoder);
    if (muxer) {
      if (muxer->pb) avio_closep(&muxer->pb);
      avformat_free_context(muxer);
    }
    av_log_set_level(savedLogLevel);
  }

  bool Fail(std::string* error, const std::string& what, int code) {
    if (error) *error = std::string(recipe.name) + " " + what + ": " + Reason(code);
    return false;
  }

  bool MakeFilters(AVRational timeBase, std::string* error) {
    graph = avfilter_graph_alloc();
    if (!graph) return Fail(error, "filters", AVERROR(ENOMEM));
    char args[160];
    std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=1/1",
                  frameWidth, frameHeight, static_cast<int>(AV_PIX_FMT_RGB32), timeBase.num,
                  timeBase.den);
    int rc = avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "in", args,
                                          nullptr, graph);
    if (rc >= 0)
      rc = avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr,
                                        nullptr, graph);
    if (rc < 0) return Fail(error, "filters", rc);
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    if (outputs && inputs) {
      outputs->name = av_strdup("in");
      outputs->filter_ctx = source;
      inputs->name = av_strdup("out");
      inputs->filter_ctx = sink;
      rc = avfilter_graph_parse_ptr(graph, recipe.filters, &inputs, &outputs, nullptr);
    } else {
      rc = AVERROR(ENOMEM);
    }
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    if (rc >= 0) rc = avfilter_graph_config(graph, nullptr);
    if (rc < 0) return Fail(error, "filters", rc);
    return true;
  }

  bool MakeEncoder(const std::string& path, AVRational rate, std::string* error) {
    int rc = avformat_alloc_output_context2(&muxer, nullptr, recipe.muxer, path.c_str());
    if (rc < 0 || !muxer) return Fail(error, "muxer", rc < 0 ? rc : AVERROR_MUXER_NOT_FOUND);
    const AVCodec* codec = avcodec_find_encoder_by_name(recipe.encoder);
    if (!codec)
      return Fail(error, std::string("encoder ") + recipe.encoder, AVERROR_ENCODER_NOT_FOUND);
    encoder = avcodec_alloc_context3(codec);
    stream = avformat_new_stream(muxer, nullptr);
    if (!encoder || !stream) return Fail(error, "encoder", AVERROR(ENOMEM));
    encoder->width = av_buffersink_get_w(sink);
    encoder->height = av_buffersink_get_h(sink);
    encoder->pix_fmt = static_cast<AVPixelFormat>(av_buffersink_get_format(sink));
    encoder->sample_aspect_ratio = AVRational{1, 1};
    encoder->time_base = av_inv_q(rate);
    encoder->framerate = rate;
    if (encoder->pix_fmt == AV_PIX_FMT_YUV420P) {
      encoder->colorspace = AVCOL_SPC_BT709;
      encoder->color_primaries = AVCOL_PRI_BT709;
      encoder->color_trc = AVCOL_TRC_BT709;
      encoder->color_range = AVCOL_RANGE_MPEG;
    }
    if (muxer->oformat->flags & AVFMT_GLOBALHEADER) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    Options encoderOptions(recipe.encoderOptions);
    rc = avcodec_open2(encoder, codec, &encoderOptions.dict);
    if (rc < 0) return Fail(error, std::string("encoder ") + recipe.encoder, rc);
    rc = avcodec_parameters_from_context(stream->codecpar, encoder);
    if (rc < 0) return Fail(error, "encoder", rc);
    stream->time_base = encoder->time_base;
    stream->avg_frame_rate = rate;
    stream->r_frame_rate = rate;
    rc = avio_open(&muxer->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (rc < 0) return Fail(error, "file", rc);
    Options muxerOptions(recipe.muxerOptions);
    rc = avformat_write_header(muxer, &muxerOptions.dict);
    if (rc < 0) return Fail(error, "header", rc);
    return true;
  }

  // Hands every finished packet to the muxer.
  bool WritePackets(std::string* error) {
    for (;;) {
      int rc = avcodec_receive_packet(encoder, packet);
      if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
      if (rc < 0) return Fail(error, "encoder", rc);
      if (packet->duration == 0) packet->duration = 1;  // one frame, in the encoder's time base
      av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
      packet->stream_index = stream->index;
      rc = av_interleaved_write_frame(muxer, packet);
      if (rc < 0) return Fail(error, "writing", rc);
    }
  }

  // Takes every frame the filters have finished to the encoder; at the end (flush) also
  // the encoder's last packets.
  bool Drain(bool flush, std::string* error) {
    for (;;) {
      int rc = av_buffersink_get_frame(sink, filtered);
      if (rc == AVERROR(EAGAIN)) return true;
      if (rc == AVERROR_EOF) break;
      if (rc < 0) return Fail(error, "filters", rc);
      filtered->pict_type = AV_PICTURE_TYPE_NONE;
      rc = avcodec_send_frame(encoder, filtered);
      av_frame_unref(filtered);
      if (rc < 0) return Fail(error, "encoder", rc);
      if (!WritePackets(error)) return false;
    }
    if (!flush) return true;
    const int rc = avcodec_send_frame(encoder, nullptr);
    if (rc < 0) return Fail(error, "encoder", rc);
    return WritePackets(error);
  }
};

AnimationWriter::AnimationWriter(std::unique_ptr<State> state) : m(std::move(state)) {}
AnimationWriter::~AnimationWriter() = default;

std::unique_ptr<AnimationWriter> AnimationWriter::Open(const std::string& path,
                                                       AnimationFormat format, int width,
                                                       int height, double fps, std::string* error) {
  auto s = std::make_unique<State>();
  // The libraries' own chatter (encoder statistics) would bury the tool's one-line messages;
  // their failures come back as codes and are told from those.
  s->savedLogLevel = av_log_get_level();
  av_log_set_level(AV_LOG_QUIET);
  s->recipe = RecipeFor(format);
  if (!s->recipe.muxer) {
    if (error) *error = "PNG holds one picture, not an animation";
    return nullptr;
  }
  s->width = width;
  s->height = height;
  s->frame = av_frame_alloc();
  s->filtered = av_frame_alloc();
  s->packet = av_packet_alloc();
  if (!s->frame || !s->filtered || !s->packet) {
    s->Fail(error, "frames", AVERROR(ENOMEM));
    return nullptr;
  }
  s->frameWidth = s->recipe.evenSides ? (width + 1) & ~1 : width;
  s->frameHeight = s->recipe.evenSides ? (height + 1) & ~1 : height;
  const AVRational rate = av_d2q(fps, 100000);
  if (!s->MakeFilters(av_inv_q(rate), error) || !s->MakeEncoder(path, rate, error)) return nullptr;
  return std::unique_ptr<AnimationWriter>(new AnimationWriter(std::move(s)));
}

bool AnimationWriter::Add(const util::Image& picture, std::string* error) {
  State& s = *m;
  if (picture.width != s.width || picture.height != s.height) {
    if (error) *error = "a frame of another size came";
    return false;
  }
  AVFrame* f = s.frame;
  f->format = AV_PIX_FMT_RGB32;  // 0xAARRGGBB words, as the picture holds them
  f->width = s.frameWidth;
  f->height = s.frameHeight;
  f->sample_aspect_ratio = AVRational{1, 1};
  int rc = av_frame_get_buffer(f, 0);
  if (rc < 0) return s.Fail(error, "frames", rc);
  // Rows and columns past the picture (even sides) repeat its last row and column.
  for (int y = 0; y < f->height; ++y) {
    auto* row =
        reinterpret_cast<uint32_t*>(f->data[0] + static_cast<ptrdiff_t>(y) * f->linesize[0]);
    const int from = y < s.height ? y : s.height - 1;
    for (int x = 0; x < f->width; ++x)
      row[x] = picture.At(x < s.width ? x : s.width - 1, from) | 0xFF000000u;
  }
  f->pts = s.next++;
  rc = av_buffersrc_add_frame(s.source, f);  // takes the buffer and leaves f empty
  av_frame_unref(f);
  if (rc < 0) return s.Fail(error, "filters", rc);
  return s.Drain(false, error);
}

bool AnimationWriter::Finish(std::string* error) {
  State& s = *m;
  int rc = av_buffersrc_add_frame(s.source, nullptr);
  if (rc < 0) return s.Fail(error, "filters", rc);
  if (!s.Drain(true, error)) return false;
  rc = av_write_trailer(s.muxer);
  if (rc < 0) return s.Fail(error, "writing", rc);
  avio_flush(s.muxer->pb);
  if (s.muxer->pb->error < 0) return s.Fail(error, "writing", s.muxer->pb->error);
  rc = avio_closep(&s.muxer->pb);
  if (rc < 0) return s.Fail(error, "writing", rc);
  return true;
}

}  // namespace render_tool
