# Reads Google Benchmark's JSON output (one "key": value a line) and prints the table of
# measurements against their floors from the medians, and the maximum where a benchmark asks
# for it.

# Benchmark names without the run settings Google Benchmark appends.
function key(name) {
  gsub(/\/iterations:[0-9]+/, "", name)
  gsub(/\/real_time/, "", name)
  return name
}

function toMs(value, unit) {
  if (unit == "ns") return value / 1e6
  if (unit == "us") return value / 1e3
  if (unit == "s") return value * 1e3
  return value + 0  # a number, not the text read, so that comparisons are numeric
}

function have(k) { return (k in timeMs) }

function ms(k) { return have(k) ? sprintf("%.1f ms", timeMs[k]) : "n/a" }

function ratioText(r) { return r == "" ? "n/a" : sprintf("%.2f×", r) }

function verdict(ok) { return ok ? "yes" : "**no**" }

function finish(   k, f) {
  if (!("run_name" in field)) return
  if (field["run_type"] == "aggregate" && field["aggregate_name"] != "median" &&
      field["aggregate_name"] != "max") return
  k = key(field["run_name"]) "_" (field["run_type"] == "aggregate" ? field["aggregate_name"] : "run")
  if (field["error_occurred"] == "true") failed[key(field["run_name"])] = field["error_message"]
  if ("real_time" in field) timeMs[k] = toMs(field["real_time"], field["time_unit"])
  for (f in field) value[k, f] = field[f]
}

/^    {$/ { delete field; next }
/^    }/ { finish(); delete field; next }
/^      "[a-z_]+": / {
  line = $0
  sub(/^      "/, "", line)
  name = line
  sub(/".*/, "", name)
  sub(/^[a-z_]+": /, "", line)
  sub(/,$/, "", line)
  gsub(/^"|"$/, "", line)
  field[name] = line
}

# `lines` (a list like "2,4,5") limits the table to those lines; all of them when empty.
function wanted(n,   k, parts) {
  if (lines == "") return 1
  split(lines, parts, ",")
  for (k in parts) if (parts[k] == n) return 1
  return 0
}

function row(n, what, measured, floorWhat, floorMeasured, ratio, goal, ok) {
  if (!wanted(n)) return
  printf "| %d | %s | %s | %s | %s | %s | %s | %s |\n", n, what, measured, floorWhat, floorMeasured, ratioText(ratio), goal, verdict(ok)
}

END {
  print "| | measurement | median | floor, same runs | floor median | ratio | goal | met |"
  print "|---|---|---|---|---|---|---|---|"

  # 1. Decoding: 16 frames per iteration.
  m = "DecodeFrameData_median"; f = "DecodeFloorMemcpy_median"
  r = (have(m) && have(f)) ? timeMs[m] / timeMs[f] : ""
  row(1, "`DecodeFrameData`, no window, 100 × 120 frames (16 in turn)",
      have(m) ? sprintf("%.2f µs a frame, %.2f GB/s", timeMs[m] * 1000 / 16, value[m, "bytes_per_second"] / 1e9) : "n/a",
      "`memcpy` of the same pixel blocks",
      have(f) ? sprintf("%.3f µs a frame, %.1f GB/s", timeMs[f] * 1000 / 16, value[f, "bytes_per_second"] / 1e9) : "n/a",
      r, "≤ 8×", r != "" && r <= 8)

  m = "ExportBmp600_median"; f = "ExportFloorPlainWrites_median"
  r = (have(m) && have(f)) ? timeMs[m] / timeMs[f] : ""
  row(2, "export of a 600-frame sprite through the BMP path, one thread", ms(m),
      "the same bytes into the same names: open, write, close", ms(f), r, "≤ 1.5×", r != "" && r <= 1.5)

  m = "ExportFloorWholeFileWrites_median"; f = "ExportFloorPlainWrites_median"
  if (wanted(2) && have(m) && have(f))
    printf "| (2) | of which writing each file whole (a temporary, linked or renamed in): the same bytes, no decoding | %s | the same open, write, close | %s | %.2f× | none: what line 2 cannot go below | |\n", ms(m), ms(f), timeMs[m] / timeMs[f]

  m = "LoadSpriteWindow_median"; f = "LoadSpriteFloorQuiet_median"
  r = (have(m) && have(f)) ? timeMs[m] / timeMs[f] : ""
  gap = (("LoadSpriteWindow_max", "longest_gap_ms") in value) ? value["LoadSpriteWindow_max", "longest_gap_ms"] : ""
  row(3, "`LoadSprite` of a 100-frame sprite, real window offscreen",
      ms(m) (gap == "" ? "" : sprintf("; longest time without a repaint %.1f ms (worst run)", gap)),
      "the same frames decoded, painted, copied to sheet and preview; no yield, no status line", ms(f),
      r, "≤ 1.5×; repaint ≤ 50 ms", r != "" && r <= 1.5 && gap != "" && gap <= 50)

  m = "SaveMultipleWindow_median"; f = "SaveMultipleFloorConverter_median"
  r = (have(m) && have(f)) ? timeMs[m] / timeMs[f] : ""
  row(4, "File > Save Multiple of a 600-frame sprite, real window", ms(m),
      "the converter's export function on the same file", ms(f), r, "≤ 2×", r != "" && r <= 2)

  m = "SprconvExport/j:2_median"; f = "SprconvExport/j:1_median"
  r = (have(m) && have(f)) ? timeMs[f] / timeMs[m] : ""
  row(5, "`sprconv export` of 200 sprites (2,000 frames), `-j 2`", ms(m),
      "the same with `-j 1`", ms(f), r == "" ? "" : r, "≥ 1.3× faster", r != "" && r >= 1.3)

  m = "Thumbnail120_median"; f = "ThumbnailFloorVersion_median"
  r = (have(m) && have(f)) ? timeMs[m] / timeMs[f] : ""
  row(6, "`sprconv thumbnail` of a 120 × 120 frame into 128 × 128, a whole process, start to exit",
      ms(m), "`sprconv --version`, a whole process", ms(f), r, "< 20 ms",
      have(m) && timeMs[m] < 20)

  m = "ThumbnailLastOf244Large_median"; f = "ThumbnailFloorVersion_median"
  if (wanted(6) && have(m) && have(f))
    printf "| (6) | the same of a 16 MB sprite of 244 frames of 2,890 × 2,891 whose only visible pixel is the last frame's last | %s | `sprconv --version`, a whole process | %s | %.2f× | < 50 ms | %s |\n", ms(m), ms(f), timeMs[m] / timeMs[f], verdict(timeMs[m] < 50)

  m = "PackPng600_median"; f = "PackFloorReadAndWrite_median"
  r = (have(m) && have(f)) ? timeMs[m] / timeMs[f] : ""
  row(7, "`sprconv pack` of a folder of 600 PNG frames of 100 × 120, in process", ms(m),
      "reading the same PNG files and decoding them with libpng; writing the same sprite bytes",
      ms(f), r, "≤ 1.5×", r != "" && r <= 1.5)

  m = "EncodeFrameData_median"; f = "EncodeFloorDecode_median"
  r = (have(m) && have(f)) ? timeMs[m] / timeMs[f] : ""
  row(8, "`EncodeFrameData`, 100 × 120 frames (16 in turn)",
      have(m) ? sprintf("%.2f µs a frame", timeMs[m] * 1000 / 16) : "n/a",
      "`DecodeFrameData` of the same frames",
      have(f) ? sprintf("%.2f µs a frame", timeMs[f] * 1000 / 16) : "n/a",
      r, "≤ 2× (at least half as fast)", r != "" && r <= 2)

  m = "ReplaceIn256MiB_median"; f = "ReplaceFloorCopy_median"
  r = (have(m) && have(f)) ? timeMs[m] / timeMs[f] : ""
  row(9, "`sprconv replace` of the one frame of a 256 MiB sprite, in process", ms(m),
      "copying the same file, a megabyte at a time: read, write", ms(f), r, "≤ 1.5×",
      r != "" && r <= 1.5)

  m = "PackBrokenPng16MB_median"
  row(10, "`sprconv pack` of a 16 MB RGBA PNG cut 64 KiB before its end, refused, in process",
      ms(m), "none", "", "", "< 100 ms", have(m) && timeMs[m] < 100)

  n = 0
  for (k in failed) {
    if (n++ == 0) print "\nFailed runs:"
    printf "- %s: %s\n", k, failed[k]
  }
}
