#include "viewer/commandline.h"

#include <bzlib.h>
#include <zlib.h>

#include "foundation/pngreader.h"
#include "viewer/infodialog/texts.h"
#include "windxkernel/sound.h"
#include "windxkernel/video.h"

namespace VOXA2 {

void WriteUsage(std::FILE* stream) {
  std::fputs(
      "Usage: voxa2 [debugmode] [windowed] [nosound] [directlaunch]\n"
      "       voxa2 --help | -h | --version\n"
      "A real-time demo player: without \"directlaunch\" it shows the launcher.\n"
      "\n"
      "Options (without regard to case):\n"
      "  debugmode     writes the debug log debug.txt into the current folder\n"
      "  windowed      runs in a window instead of full-screen; Alt+Enter or F11\n"
      "                toggles the window full-screen and back\n"
      "  nosound       makes the silent sound device the default\n"
      "  directlaunch  no launcher: the first catalogue's default demo plays at once\n"
      "                and the program ends with it\n"
      "\n"
      "Data, read from the current folder:\n"
      "  data/         a demo catalogue: demo.ini, demos/*.scr and what they load\n"
      "  *.*           archives of the player's own format holding a demo.ini\n"
      "  viewer.dat    the launcher's pictures, cursors and font; looked for beside\n"
      "                the program file when the current folder has none\n"
      "\n"
      "Environment:\n"
      "  VOXA2_THREADS=n                 threads of the software rasteriser (1 to 16)\n"
      "Without a display (no DISPLAY or WAYLAND_DISPLAY) only \"directlaunch\" or an\n"
      "input script runs, headless; for tests and measurements:\n"
      "  VOXA2_HEADLESS_SCRIPT=file      plays a user's input from the file\n"
      "  VOXA2_HEADLESS_FRAME_MS=n       the clock moves n ms per presented frame\n"
      "  VOXA2_HEADLESS_CAPTURE=folder   writes every presented frame there as PNG\n"
      "  VOXA2_HEADLESS_MODE=WxHxBITS    the only display mode offered\n"
      "  VOXA2_HEADLESS_FRAME_TIMES=file the time from each present to the next (us)\n"
      "\n"
      "Exit code: 0 after a clean quit, 1 after a failure (said on standard error),\n"
      "2 for a command line it does not know.\n",
      stream);
}

void WriteVersion(std::FILE* stream) {
  std::fprintf(stream, "voxa2 %s for Linux (%s, built %s %s)\n", infodialog::kVersion,
               video::GetCompilerVersion(), __DATE__, __TIME__);
  std::fprintf(stream, "  music and samples: %s\n", GetSoundLibraryVersion());
  std::fprintf(stream, "  SDL %s, zlib %s, bzip2 %s, libpng %s, libjpeg %s\n",
               infodialog::SdlVersion().c_str(), zlibVersion(), BZ2_bzlibVersion(),
               PNGlib::GetVersion(), infodialog::JpegVersion().c_str());
}

}  // namespace VOXA2
