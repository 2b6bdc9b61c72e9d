#include "movie_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/types.h>

#include "gif_palette.h"
#include "output_file.h"

namespace quorvan::movie {

namespace {

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  // In lower case, as every other failed write says it ("no space left on device").
  std::string said = text;
  if (said.size() > 1 && std::isupper(static_cast<unsigned char>(said[0])) &&
      std::islower(static_cast<unsigned char>(said[1]))) {
    said[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(said[0])));
  }
  return said;
}

// The movie's bytes go through the OutputFile's own stream, so that its
// Finish sees every write error and syncs what was written.
int WritePacket(void* opaque, uint8_t* buffer, int size) {
  std::FILE* file = static_cast<std::FILE*>(opaque);
  if (size <= 0) return 0;
  const std::size_t written = std::fwrite(buffer, 1, static_cast<std::size_t>(size), file);
  if (written != static_cast<std::size_t>(size)) return AVERROR(errno != 0 ? errno : EIO);
  return size;
}

int64_t Seek(void* opaque, int64_t offset, int whence) {
  std::FILE* file = static_cast<std::FILE*>(opaque);
  if (whence & AVSEEK_SIZE) {
    const off_t here = ::ftello(file);
    if (::fseeko(file, 0, SEEK_END) != 0) return AVERROR(errno);
    const off_t size = ::ftello(file);
    ::fseeko(file, here, SEEK_SET);
    return size;
  }
  whence &= ~AVSEEK_FORCE;
  if (::fseeko(file, static_cast<off_t>(offset), whence) != 0) return AVERROR(errno);
  return ::ftello(file);
}

// BT.601, limited range, in 8-bit fixed point (as FFmpeg's own tables):
// the luma of every pixel, the chroma of each 2 x 2 block's mean. Plain
// loops over whole rows with no branch, which the compiler turns into
// vector code; the frame's width and height are even.
__attribute__((optimize("tree-vectorize"))) void LumaRow(const uint32_t* line, uint8_t* luma, int width) {
  for (int x = 0; x < width; ++x) {
    const uint32_t p = line[x];
    const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    luma[x] = static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
  }
}

__attribute__((optimize("tree-vectorize"))) void ChromaRow(const uint32_t* top, const uint32_t* bottom, uint8_t* u,
                                                           uint8_t* v, int width) {
  for (int x = 0; x < width / 2; ++x) {
    const uint32_t a = top[2 * x], b = top[2 * x + 1], c = bottom[2 * x], d = bottom[2 * x + 1];
    const int32_t r = static_cast<int32_t>(((a >> 16) & 0xFF) + ((b >> 16) & 0xFF) + ((c >> 16) & 0xFF) +
                                           ((d >> 16) & 0xFF));
    const int32_t g =
        static_cast<int32_t>(((a >> 8) & 0xFF) + ((b >> 8) & 0xFF) + ((c >> 8) & 0xFF) + ((d >> 8) & 0xFF));
    const int32_t bl = static_cast<int32_t>((a & 0xFF) + (b & 0xFF) + (c & 0xFF) + (d & 0xFF));
    // The sums are four times the mean: shift by two more.
    u[x] = static_cast<uint8_t>(((-38 * r - 74 * g + 112 * bl + 512) >> 10) + 128);
    v[x] = static_cast<uint8_t>(((112 * r - 94 * g - 18 * bl + 512) >> 10) + 128);
  }
}

void ToYuv420(const QImage& rgb, uint8_t* const planes[], const int lineSizes[]) {
  const int width = rgb.width();
  const int height = rgb.height();
  for (int y = 0; y < height; ++y) {
    LumaRow(reinterpret_cast<const uint32_t*>(rgb.constScanLine(y)),
            planes[0] + static_cast<std::ptrdiff_t>(y) * lineSizes[0], width);
  }
  for (int y = 0; y + 1 < height; y += 2) {
    ChromaRow(reinterpret_cast<const uint32_t*>(rgb.constScanLine(y)),
              reinterpret_cast<const uint32_t*>(rgb.constScanLine(y + 1)),
              planes[1] + static_cast<std::ptrdiff_t>(y / 2) * lineSizes[1],
              planes[2] + static_cast<std::ptrdiff_t>(y / 2) * lineSizes[2], width);
  }
}

}  // namespace

struct MovieEncoder::State {
  std::string path;
  MovieFormat format = MovieFormat::Mp4;
  quorvan::batch::OutputFile file;
  AVFormatContext* container = nullptr;
  AVIOContext* io = nullptr;
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  GifPalette palette;
  int64_t frames = 0;
  bool headerWritten = false;
  bool trailerWritten = false;

  ~State() {
    // A movie given up after its header: the trailer lets the muxer free what
    // it holds (the GIF muxer keeps its last packet until then). The file is
    // the temporary one and is removed.
    if (headerWritten && !trailerWritten && container) av_write_trailer(container);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&codec);
    if (io) {
      av_freep(&io->buffer);
      avio_context_free(&io);
    }
    if (container) {
      container->pb = nullptr;
      avformat_free_context(container);
    }
  }

  std::string Fault(const std::string& what) const { return "cannot write '" + path + "': " + what; }

  // Hands every packet the codec has ready to the container.
  bool Drain(std::string& error) {
    for (;;) {
      const int got = avcodec_receive_packet(codec, packet);
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return true;
      if (got < 0) {
        error = Fault(AvError(got));
        return false;
      }
      av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      const int written = av_interleaved_write_frame(container, packet);
      if (written < 0) {
        error = Fault(AvError(written));
        return false;
      }
    }
  }
};

MovieEncoder::MovieEncoder() = default;
MovieEncoder::~MovieEncoder() = default;

int64_t MovieEncoder::Frames() const { return state_ ? state_->frames : 0; }

bool MovieEncoder::Open(const std::string& path, const MovieSettings& settings, std::string& error) {
  state_.reset();
  const std::optional<MovieFormat> format = FormatOfPath(path);
  if (!format) {
    error = "'" + path + "' is no movie: the name must end in " + MovieExtensions();
    return false;
  }
  if (settings.width <= 0 || settings.height <= 0 || settings.fps < 1 || settings.fps > 120) {
    error = "cannot write '" + path + "': frames of " + std::to_string(settings.width) + " x " +
            std::to_string(settings.height) + " at " + std::to_string(settings.fps) + " per second";
    return false;
  }
  auto s = std::make_unique<State>();
  s->path = path;
  s->format = *format;
  s->palette = GifPalette(settings.exactColours);
  if (!s->file.Open(path, error)) return false;

  av_log_set_level(AV_LOG_ERROR);
  const char* muxer = *format == MovieFormat::Mp4 ? "mp4" : *format == MovieFormat::WebM ? "webm" : "gif";
  if (avformat_alloc_output_context2(&s->container, nullptr, muxer, nullptr) < 0 || !s->container) {
    error = s->Fault(std::string("FFmpeg has no ") + muxer + " writer");
    return false;
  }
  const AVCodec* codec = *format == MovieFormat::Mp4    ? avcodec_find_encoder_by_name("libx264")
                         : *format == MovieFormat::WebM ? avcodec_find_encoder_by_name("libvpx-vp9")
                                                        : avcodec_find_encoder(AV_CODEC_ID_GIF);
  if (!codec) {
    error = s->Fault(std::string("FFmpeg has no encoder for ") + muxer);
    return false;
  }
  s->stream = avformat_new_stream(s->container, nullptr);
  s->codec = avcodec_alloc_context3(codec);
  s->frame = av_frame_alloc();
  s->packet = av_packet_alloc();
  if (!s->stream || !s->codec || !s->frame || !s->packet) {
    error = s->Fault("out of memory");
    return false;
  }
  // Even sizes for the 4:2:0 formats: an odd edge gets one more pixel.
  const bool gif = *format == MovieFormat::Gif;
  const int width = gif ? settings.width : (settings.width + 1) & ~1;
  const int height = gif ? settings.height : (settings.height + 1) & ~1;
  AVCodecContext* c = s->codec;
  c->width = width;
  c->height = height;
  c->time_base = AVRational{1, settings.fps};
  c->framerate = AVRational{settings.fps, 1};
  c->pix_fmt = gif ? AV_PIX_FMT_PAL8 : AV_PIX_FMT_YUV420P;
  c->gop_size = 10 * settings.fps;
  // The steps run on one core beside the encoder: one thread of its own.
  c->thread_count = 1;
  if (*format == MovieFormat::Mp4) {
    // The fastest preset: the encoder has to keep up with a frame every few
    // steps on the one core the steps leave it.
    av_opt_set(c->priv_data, "preset", "ultrafast", 0);
    av_opt_set(c->priv_data, "crf", "23", 0);
  } else if (*format == MovieFormat::WebM) {
    av_opt_set(c->priv_data, "deadline", "realtime", 0);
    av_opt_set(c->priv_data, "cpu-used", "8", 0);
    av_opt_set(c->priv_data, "crf", "30", 0);
    c->bit_rate = 0;
  } else {
    // Each frame only where it changed from the one before: cropped, and
    // unchanged pixels inside the crop left transparent.
    av_opt_set(c->priv_data, "gifflags", "+offsetting+transdiff", 0);
  }
  if (!gif) {
    // What ToYuv420 writes: BT.601 in the limited (studio) range.
    c->color_range = AVCOL_RANGE_MPEG;
    c->colorspace = AVCOL_SPC_SMPTE170M;
    c->color_primaries = AVCOL_PRI_SMPTE170M;
    c->color_trc = AVCOL_TRC_SMPTE170M;
  }
  if (s->container->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (const int opened = avcodec_open2(c, codec, nullptr); opened < 0) {
    error = s->Fault("the encoder refuses the frames: " + AvError(opened));
    return false;
  }
  avcodec_parameters_from_context(s->stream->codecpar, c);
  s->stream->time_base = c->time_base;
  s->stream->avg_frame_rate = c->framerate;

  s->frame->format = c->pix_fmt;
  s->frame->width = width;
  s->frame->height = height;
  if (av_frame_get_buffer(s->frame, 0) < 0) {
    error = s->Fault("out of memory");
    return false;
  }

  constexpr int kBufferSize = 1 << 16;
  auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
  s->io = buffer ? avio_alloc_context(buffer, kBufferSize, 1, s->file.File(), nullptr, WritePacket, Seek) : nullptr;
  if (!s->io) {
    av_free(buffer);
    error = s->Fault("out of memory");
    return false;
  }
  s->container->pb = s->io;
  s->container->flags |= AVFMT_FLAG_CUSTOM_IO;
  if (const int header = avformat_write_header(s->container, nullptr); header < 0) {
    error = s->Fault(AvError(header));
    return false;
  }
  s->headerWritten = true;
  state_ = std::move(s);
  return true;
}

bool MovieEncoder::Add(const QImage& picture, std::string& error) {
  if (!state_) {
    error = "no movie is open";
    return false;
  }
  State& s = *state_;
  const int width = s.codec->width;
  const int height = s.codec->height;
  QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
  if (s.format == MovieFormat::Gif) {
    if (rgb.width() != width || rgb.height() != height) rgb = rgb.scaled(width, height);
  } else if (rgb.width() != width || rgb.height() != height) {
    // The frame is padded to the even size with white.
    QImage padded(width, height, QImage::Format_RGB32);
    padded.fill(0xFFFFFFFFu);
    const int w = std::min(width, rgb.width());
    for (int y = 0; y < std::min(height, rgb.height()); ++y) {
      std::memcpy(padded.scanLine(y), rgb.constScanLine(y), static_cast<std::size_t>(w) * 4);
    }
    rgb = padded;
  }
  if (av_frame_make_writable(s.frame) < 0) {
    error = s.Fault("out of memory");
    return false;
  }
  if (s.format == MovieFormat::Gif) {
    s.palette.Map(rgb, s.frame->data[0], s.frame->linesize[0]);
    std::memcpy(s.frame->data[1], s.palette.Entries().data(), 256 * 4);
  } else {
    ToYuv420(rgb, s.frame->data, s.frame->linesize);
  }
  s.frame->pts = s.frames;
  if (const int sent = avcodec_send_frame(s.codec, s.frame); sent < 0) {
    error = s.Fault(AvError(sent));
    return false;
  }
  ++s.frames;
  return s.Drain(error);
}

bool MovieEncoder::Finish(std::string& error) {
  if (!state_) {
    error = "no movie is open";
    return false;
  }
  State& s = *state_;
  if (const int sent = avcodec_send_frame(s.codec, nullptr); sent < 0) {
    error = s.Fault(AvError(sent));
    return false;
  }
  if (!s.Drain(error)) return false;
  s.trailerWritten = true;
  if (const int trailer = av_write_trailer(s.container); trailer < 0) {
    error = s.Fault(AvError(trailer));
    return false;
  }
  avio_flush(s.io);
  if (s.io->error < 0) {
    error = s.Fault(AvError(s.io->error));
    return false;
  }
  return s.file.Finish(error);
}

bool MovieEncoder::Rename(std::string& error) {
  if (!state_) {
    error = "no movie is open";
    return false;
  }
  return state_->file.Rename(error);
}

}  // namespace quorvan::movie
