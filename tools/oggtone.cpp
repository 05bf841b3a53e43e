// Writes an Ogg Vorbis sine tone with libvorbisenc.
//   oggtone [--cut=FRACTION] [--scramble] OUT.ogg [FREQUENCY_HZ [SECONDS [CHANNELS [RATE [QUALITY]]]]]
// --cut keeps only the first part of the file, --scramble overwrites a stretch in its middle: damaged
// files for the fuzz corpus.
// The same code is linked into tests (built with OGGTONE_NO_MAIN) to make fixtures at run time.
#include "oggtone.h"

#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>

namespace {

void AppendPage(std::vector<unsigned char>& out, const ogg_page& page) {
  out.insert(out.end(), page.header, page.header + page.header_len);
  out.insert(out.end(), page.body, page.body + page.body_len);
}

}  // namespace

std::vector<unsigned char> EncodeOgg(int channels, long rate, float quality, long frames,
                                     const std::function<float(long frame, int channel)>& sample,
                                     const char* title, uint32_t serial) {
  std::vector<unsigned char> out;
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0) {
    vorbis_info_clear(&vi);
    return out;
  }
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_comment_add_tag(&vc, "TITLE", title);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, static_cast<int>(serial));

  ogg_packet header, comments, codebooks;
  vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comments);
  ogg_stream_packetin(&os, &codebooks);
  ogg_page page;
  while (ogg_stream_flush(&os, &page)) AppendPage(out, page);

  long done = 0;
  bool eos = false;
  while (!eos) {
    const long chunk = std::min<long>(1024, frames - done);
    if (chunk > 0) {
      float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(chunk));
      for (long i = 0; i < chunk; ++i)
        for (int c = 0; c < channels; ++c) buffer[c][i] = sample(done + i, c);
      vorbis_analysis_wrote(&vd, static_cast<int>(chunk));
      done += chunk;
    } else {
      vorbis_analysis_wrote(&vd, 0);  // end of stream
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&vd, &packet)) {
        ogg_stream_packetin(&os, &packet);
        while (ogg_stream_pageout(&os, &page)) {
          AppendPage(out, page);
          if (ogg_page_eos(&page)) eos = true;
        }
      }
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

std::vector<unsigned char> MakeOggTone(const OggToneSpec& toneSpec) {
  if (toneSpec.channels < 1 || toneSpec.channels > 2 || toneSpec.rate < 1000 || toneSpec.seconds < 0) return {};
  const long total = std::lround(toneSpec.seconds * toneSpec.rate);
  const double step = 2.0 * M_PI * toneSpec.frequency / toneSpec.rate;
  // Every channel carries the same tone.
  auto tone = [&](long frame, int) {
    return toneSpec.amplitude * static_cast<float>(std::sin(step * static_cast<double>(frame)));
  };
  return EncodeOgg(toneSpec.channels, toneSpec.rate, toneSpec.quality, total, tone, "test tone", 0x746f6e65);
}

bool WriteOggTone(const std::string& path, const OggToneSpec& toneSpec) {
  std::vector<unsigned char> data = MakeOggTone(toneSpec);
  if (data.empty()) return false;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

#ifndef OGGTONE_NO_MAIN
int main(int argc, char** argv) {
  double cut = 1.0;
  bool scramble = false;
  int first = 1;
  for (; first < argc && std::strncmp(argv[first], "--", 2) == 0; ++first) {
    if (std::strncmp(argv[first], "--cut=", 6) == 0)
      cut = std::atof(argv[first] + 6);
    else if (std::strcmp(argv[first], "--scramble") == 0)
      scramble = true;
  }
  const int n = argc - first;
  if (n < 1 || n > 6) {
    std::fprintf(stderr,
                 "usage: %s [--cut=FRACTION] [--scramble] OUT.ogg [FREQUENCY_HZ [SECONDS [CHANNELS [RATE "
                 "[QUALITY]]]]]\n",
                 argv[0]);
    return 2;
  }
  char** a = argv + first;
  OggToneSpec toneSpec;
  if (n > 1) toneSpec.frequency = std::atof(a[1]);
  if (n > 2) toneSpec.seconds = std::atof(a[2]);
  if (n > 3) toneSpec.channels = std::atoi(a[3]);
  if (n > 4) toneSpec.rate = std::atol(a[4]);
  if (n > 5) toneSpec.quality = static_cast<float>(std::atof(a[5]));
  std::vector<unsigned char> data = MakeOggTone(toneSpec);
  if (data.empty()) {
    std::fprintf(stderr, "%s: the encoder refused these parameters\n", argv[0]);
    return 1;
  }
  if (scramble) {
    for (size_t i = data.size() / 3, end = std::min(data.size(), i + 2000); i < end; ++i)
      data[i] = static_cast<unsigned char>(i * 131);
  }
  data.resize(static_cast<size_t>(static_cast<double>(data.size()) * std::clamp(cut, 0.0, 1.0)));
  FILE* f = std::fopen(a[0], "wb");
  bool ok = f && std::fwrite(data.data(), 1, data.size(), f) == data.size();
  if (f) ok = std::fclose(f) == 0 && ok;
  if (!ok) {
    std::fprintf(stderr, "%s: could not write %s\n", argv[0], a[0]);
    return 1;
  }
  return 0;
}
#endif
