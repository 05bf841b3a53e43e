// Writes an Ogg Vorbis sine tone with libvorbisenc.
//   oggtone OUT.ogg [FREQUENCY_HZ [SECONDS [CHANNELS [RATE [QUALITY]]]]]
// The same code is linked into tests (built with OGGTONE_NO_MAIN) to make fixtures at run time.
#include "oggtone.h"

#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>

namespace {

void AppendPage(std::vector<unsigned char>& out, const ogg_page& page) {
  out.insert(out.end(), page.header, page.header + page.header_len);
  out.insert(out.end(), page.body, page.body + page.body_len);
}

}  // namespace

std::vector<unsigned char> MakeOggTone(const OggToneSpec& spec) {
  std::vector<unsigned char> out;
  if (spec.channels < 1 || spec.channels > 2 || spec.rate < 1000 || spec.seconds < 0) return out;
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, spec.channels, spec.rate, spec.quality) != 0) {
    vorbis_info_clear(&vi);
    return out;
  }
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_comment_add_tag(&vc, "TITLE", "test tone");
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 0x746f6e65);  // fixed serial: the same spec gives the same bytes

  ogg_packet header, comments, codebooks;
  vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comments);
  ogg_stream_packetin(&os, &codebooks);
  ogg_page page;
  while (ogg_stream_flush(&os, &page)) AppendPage(out, page);

  const long total = std::lround(spec.seconds * spec.rate);
  const double step = 2.0 * M_PI * spec.frequency / spec.rate;
  long done = 0;
  bool eos = false;
  while (!eos) {
    const long chunk = std::min<long>(1024, total - done);
    if (chunk > 0) {
      float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(chunk));
      for (long i = 0; i < chunk; ++i) {
        float s = spec.amplitude * static_cast<float>(std::sin(step * static_cast<double>(done + i)));
        for (int c = 0; c < spec.channels; ++c) buffer[c][i] = s;
      }
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

bool WriteOggTone(const std::string& path, const OggToneSpec& spec) {
  std::vector<unsigned char> data = MakeOggTone(spec);
  if (data.empty()) return false;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

#ifndef OGGTONE_NO_MAIN
int main(int argc, char** argv) {
  if (argc < 2 || argc > 7) {
    std::fprintf(stderr, "usage: %s OUT.ogg [FREQUENCY_HZ [SECONDS [CHANNELS [RATE [QUALITY]]]]]\n", argv[0]);
    return 2;
  }
  OggToneSpec spec;
  if (argc > 2) spec.frequency = std::atof(argv[2]);
  if (argc > 3) spec.seconds = std::atof(argv[3]);
  if (argc > 4) spec.channels = std::atoi(argv[4]);
  if (argc > 5) spec.rate = std::atol(argv[5]);
  if (argc > 6) spec.quality = static_cast<float>(std::atof(argv[6]));
  if (!WriteOggTone(argv[1], spec)) {
    std::fprintf(stderr, "%s: could not write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
#endif
