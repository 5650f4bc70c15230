// Ogg Vorbis output through libvorbisenc, with a fixed stream serial number
// and no date in the comments, so the same music gives the same bytes.
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdio>

#include "assets.h"

bool writeOGG(const std::string& path, const Sound& s, float quality) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "velmora_assetgen: cannot write %s\n", path.c_str());
    return false;
  }
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, s.channels, s.rate, quality) != 0) {
    std::fprintf(stderr, "velmora_assetgen: Vorbis encoder refused the settings for %s\n", path.c_str());
    vorbis_info_clear(&vi);
    std::fclose(f);
    return false;
  }
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_comment_add_tag(&vc, "TITLE", path.find("nfo") != std::string::npos ? "Velmora - Title" : "Velmora - Race");
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 0x56454c4d);
  ogg_packet header, comm, code;
  vorbis_analysis_headerout(&vd, &vc, &header, &comm, &code);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comm);
  ogg_stream_packetin(&os, &code);
  ogg_page og;
  while (ogg_stream_flush(&os, &og)) {
    std::fwrite(og.header, 1, og.header_len, f);
    std::fwrite(og.body, 1, og.body_len, f);
  }
  const long frames = long(s.samples.size() / s.channels);
  const long chunk = 4096;
  bool eos = false;
  for (long pos = 0; !eos;) {
    long n = std::min(chunk, frames - pos);
    if (n > 0) {
      float** buf = vorbis_analysis_buffer(&vd, int(n));
      for (long i = 0; i < n; ++i)
        for (int c = 0; c < s.channels; ++c) buf[c][i] = s.samples[size_t(pos + i) * s.channels + c];
      vorbis_analysis_wrote(&vd, int(n));
      pos += n;
    } else {
      vorbis_analysis_wrote(&vd, 0);
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet op;
      while (vorbis_bitrate_flushpacket(&vd, &op)) {
        ogg_stream_packetin(&os, &op);
        while (!eos && ogg_stream_pageout(&os, &og)) {
          std::fwrite(og.header, 1, og.header_len, f);
          std::fwrite(og.body, 1, og.body_len, f);
          if (ogg_page_eos(&og)) eos = true;
        }
      }
    }
    if (n <= 0 && !eos) {
      // Everything is written once the final page has gone out.
      while (ogg_stream_flush(&os, &og)) {
        std::fwrite(og.header, 1, og.header_len, f);
        std::fwrite(og.body, 1, og.body_len, f);
      }
      eos = true;
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return std::fclose(f) == 0;
}
