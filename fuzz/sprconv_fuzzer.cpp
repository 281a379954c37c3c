// Whole converter commands on a sprite file: export (BMP or PNG), sheet, gif and info. Whatever
// the file holds, the command ends with status 0 or 1, says why on stderr when it fails, agrees
// with the reader about whether the file is sound (and, reading in file order, about its first
// fault), and leaves only whole files behind.
//
// Input: one byte choosing the command and its options, then a sprite file.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/options.h"
#include "cli/sprite_input.h"
#include "decoded_sprite.h"
#include "image/sheet.h"

using namespace glint;
namespace fs = std::filesystem;

namespace {

// Frames of a few thousand pixels meet every path of the converter; larger ones only take longer.
constexpr std::int64_t kPixelBudget = std::int64_t{1} << 14;
constexpr std::int64_t kSheetBudget = std::int64_t{1} << 16;

void require(bool ok) {
  if (!ok) std::abort();
}

// A folder of this process's own, in memory when the system has room there: a full disk would
// fail a sound conversion, and a disk is slower. Within the budgets a run leaves at most a few
// hundred kilobytes there.
const fs::path& workFolder() {
  static const fs::path folder = [] {
    std::error_code ec;
    const bool roomy = fs::space("/dev/shm", ec).available >= (std::uintmax_t{16} << 20) && !ec;
    fs::path base = roomy ? fs::path("/dev/shm") : fs::temp_directory_path();
    fs::path f = base / ("glint-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(f);
    return f;
  }();
  // Registered after the path is made, so that it runs before the path is destroyed.
  static const bool removedAtExit = std::atexit([] {
                                      std::error_code ec;
                                      fs::remove_all(folder, ec);
                                    }) == 0;
  require(removedAtExit);
  return folder;
}

// Runs the command as Sprconv does. Parsing is pure and takes as long as the rest of a run, and
// there are only a few command lines here (the input and output names never change): each one is
// parsed once.
int run(const std::vector<std::string>& args, cli::Console& console) {
  static std::map<std::vector<std::string>, cli::CommandOptions> parsed;
  auto known = parsed.find(args);
  if (known == parsed.end()) {
    cli::ParsedCommandLine line = cli::ParseCommandLine(args);
    require(line.options.has_value());
    known = parsed.emplace(args, *line.options).first;
  }
  return static_cast<int>(cli::RunCommand(known->second, console));
}

std::uint32_t le32(const std::vector<char>& b, std::size_t at) {
  return static_cast<std::uint32_t>(
      static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8 |
      static_cast<unsigned char>(b[at + 2]) << 16 | static_cast<unsigned char>(b[at + 3]) << 24);
}

// Every file left is a finished one of the expected kind: no temporaries, nothing cut short.
int checkOutputs(const fs::path& folder, const std::string& extension) {
  int files = 0;
  if (!fs::exists(folder)) return 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    require(name[0] != '.' && entry.path().extension() == extension);
    std::ifstream in(entry.path(), std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    if (extension == ".bmp") {
      require(bytes.size() >= 1078 && bytes[0] == 'B' && bytes[1] == 'M');
      require(le32(bytes, 2) == bytes.size());
    } else if (extension == ".png") {
      static const char kEnd[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D'};
      require(bytes.size() > 20 && std::equal(kEnd, kEnd + 8, bytes.end() - 12));
    } else {
      require(bytes.size() > 13 && bytes.back() == 0x3B);  // the GIF trailer
    }
    ++files;
  }
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::span<const std::uint8_t> file(data + 1, size - 1);
  const fuzz::DecodedSprite sprite = fuzz::DecodeSprite(file, kPixelBudget);
  if (sprite.outcome == fuzz::DecodedSprite::Outcome::kTooLarge) return 0;
  const bool sound = sprite.sound();

  const fs::path dir = workFolder();
  const std::string input = (dir / "f.spr").string();
  const fs::path out = dir / "out";
  fs::remove_all(out);
  std::ofstream(input, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));

  const bool transparent = (data[0] & 8) != 0;
  std::vector<std::string> args{"sprconv"};
  std::string extension;
  bool expectOk = sound;
  bool tooLarge = false;  // a sheet beyond what one may hold
  switch (data[0] % 5) {
    case 0:
    case 1:
      extension = data[0] % 5 == 0 ? ".bmp" : ".png";
      args.insert(args.end(), {"export", input, "-o", out.string(), "-j", "1", "-q", "--format",
                               extension.substr(1)});
      if (transparent && extension == ".png") args.push_back("--transparent");
      break;
    case 2: {
      // Every record with pixels is laid out before any is decoded: the grid holds them all.
      const int columns = (data[0] >> 4) & 7;
      const fuzz::SheetGrid grid = fuzz::ExpectedSheet(sprite.records, columns);
      tooLarge = grid.pixels() > image::kMaxSheetPixels;
      if (grid.pixels() > kSheetBudget && !tooLarge) return 0;
      extension = ".png";
      args.insert(args.end(), {"sheet", input, "-o", (out / "s.png").string()});
      if (columns != 0) args.insert(args.end(), {"--columns", std::to_string(columns)});
      if (transparent) args.push_back("--transparent");
      expectOk = sound && !sprite.frames.empty() && !tooLarge;
      break;
    }
    case 3:
      extension = ".gif";
      args.insert(args.end(), {"gif", input, "-o", (out / "a.gif").string()});
      if (transparent) args.push_back("--transparent");
      expectOk = sound && !sprite.frames.empty();
      break;
    default:
      args.insert(args.end(), {"info", input, "--json"});
  }
  if (args[1] == "sheet" || args[1] == "gif") fs::create_directories(out);

  cli::BufferConsole console;
  const int status = run(args, console);
  const std::string err = console.errText();
  require(status == 0 || status == 1);
  require((status == 0) == err.empty());
  for (std::size_t at = 0; at < err.size(); at = err.find('\n', at) + 1)
    require(err.compare(at, 9, "sprconv: ") == 0);
  require((status == 0) == expectOk);
  if (sound && !sprite.frames.empty() && tooLarge)
    require(err.find("more than one PNG sheet holds") != err.npos);
  // Export and info read each frame and decode it before the next, as the reader's fault order.
  if (sprite.fault && (args[1] == "export" || args[1] == "info"))
    require(err.find(FaultReason(*sprite.fault)) != err.npos);

  if (args[1] == "info") {
    const std::string text = console.outText();
    require(std::count(text.begin(), text.end(), '\n') == 1 && text.rfind("{\"file\":", 0) == 0);
    return 0;
  }
  const int files = checkOutputs(out, extension);
  if (status == 0 && args[1] == "export") require(files == static_cast<int>(sprite.frames.size()));
  if (args[1] != "export") require(files == (status == 0 ? 1 : 0));
  return 0;
}
