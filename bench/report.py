#!/usr/bin/env python3
# report.py -- turns the benchmarks' JSON output (medians of repetitions) into one table: every figure
# as a ratio to the floor (one clear of the 320 x 200 buffer) of the same run, and how costs grow.
import json
import sys

BLOCK_MS = 5512 / 22050 * 1000.0  # one sound block lasts this long


def load(path):
    try:
        with open(path) as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


def medians(doc):
    """name -> benchmark record, keeping the median aggregate when there are repetitions."""
    rows = {}
    for b in doc.get("benchmarks", []):
        if b.get("error_occurred"):
            rows.setdefault(b["run_name"], {"error": b.get("error_message", "error")})
            continue
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        rows[b["run_name"]] = b
    return rows


def ns(b, field="cpu_time"):
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[b.get("time_unit", "ns")]
    return b[field] * scale


def fmt_time(t):
    if t >= 1e6:
        return "%.2f ms" % (t / 1e6)
    if t >= 1e3:
        return "%.2f us" % (t / 1e3)
    return "%.0f ns" % t


def fit(points):
    """Least-squares slope and intercept of (x, y) points."""
    n = len(points)
    if n < 2:
        return None
    mx = sum(p[0] for p in points) / n
    my = sum(p[1] for p in points) / n
    sxx = sum((p[0] - mx) ** 2 for p in points)
    if sxx == 0:
        return None
    slope = sum((p[0] - mx) * (p[1] - my) for p in points) / sxx
    return slope, my - slope * mx


NAMES = [
    ("BM_Floor_Clear", "floor: clear the 320 x 200 buffer"),
    ("BM_Frame_Play/1", "frame of play, shipped stage (update + render)"),
    ("BM_Frame_Play/0", "frame of play, built-in stage (update + render)"),
    ("BM_Frame_PlayParts/1/0", "  shipped stage: update only"),
    ("BM_Frame_PlayParts/1/1", "  shipped stage: render only"),
    ("BM_Frame_PlayParts/0/0", "  built-in stage: update only"),
    ("BM_Frame_PlayParts/0/1", "  built-in stage: render only"),
    ("BM_Search_Step/1", "  shipped stage: search step (input and update, nothing drawn)"),
    ("BM_Search_Step/0", "  built-in stage: search step (input and update, nothing drawn)"),
    ("BM_Search_SaveRestore/1", "save + restore of the whole game, shipped stage"),
    ("BM_Search_SaveRestore/0", "save + restore of the whole game, built-in stage"),
    ("BM_Search_Branch/1", "search branch (restore, shot, 24 frames), shipped stage, per frame"),
    ("BM_Search_Branch/0", "search branch (restore, shot, 24 frames), built-in stage, per frame"),
    ("BM_Frame_Crowd", "frame of play, a screen with every walker the game keeps (update + render)"),
    ("BM_Tiles_OnScreen/260", "a full screen of ground tiles (tile renderer)"),
    ("BM_Tiles_Mixed", "a full screen of every tile kind mixed, cut at all four edges (tile renderer)"),
    ("BM_Frame_Mode/0", "frame of the title"),
    ("BM_Frame_Mode/2", "frame of stage clear"),
    ("BM_Frame_Mode/3", "frame of game over"),
    ("BM_Frame_Editor/0", "frame of the editor, blank stage"),
    ("BM_Frame_Editor/1", "frame of the editor, a view full of tiles and walkers"),
    ("BM_Frame_Editor/2", "frame of the editor, the largest stage, the view on its 32 walkers"),
    ("BM_Frame_EditorDraw/0", "  editor, blank stage: step + render (what a frame of play times)"),
    ("BM_Frame_EditorDraw/1", "  editor, a view full of tiles and walkers: step + render"),
    ("BM_Frame_EditorDraw/2", "  editor, the largest stage, the view on its 32 walkers: step + render"),
    ("BM_Frame_EditorScroll/2", "  editor, the largest stage, the view scrolling every frame: step + render"),
    ("BM_Frame_EditorOver/71", "  editor, the largest stage with G's grid over it: step + render"),
    ("BM_Frame_EditorOver/79", "  editor, the largest stage with O's overview over it: step + render"),
    ("BM_Editor_SolveShipped", "the shipped stage solved in the editor, a slice per frame (wall)"),
    ("BM_Solve_Stage/0/iterations:1", "solve: the shipped stage, search and shortening"),
    ("BM_Solve_Stage/1/iterations:1", "solve: tall stage (the camera starts far above the start)"),
    ("BM_Solve_Stage/2/iterations:1", "solve: maze of switchbacks"),
    ("BM_Solve_Stage/3/iterations:1", "solve: 9-tile climb in open air"),
    ("BM_Solve_Stage/4/iterations:1", "solve: a start sealed in (cannot be cleared)"),
    ("BM_Audio_Silent", "sound block, no voice"),
    ("BM_Audio_Drone", "sound block, drone"),
    ("BM_Audio_SixVoices", "sound block, six voices"),
    ("BM_Audio_DroneSixVoices", "sound block, drone and six voices"),
    ("BM_Present_Headless/w:960/h:600/read:0", "present, headless, 960 x 600"),
    ("BM_Present_Headless/w:1920/h:1080/read:0", "present, headless, 1920 x 1080"),
    ("BM_Present_Headless/w:3840/h:2160/read:0", "present, headless, 3840 x 2160"),
    ("BM_Present_Headless/w:960/h:600/read:1", "present + client image read, headless, 960 x 600"),
    ("BM_Present_Headless/w:1920/h:1080/read:1", "present + client image read, headless, 1920 x 1080"),
    ("BM_Present_Headless/w:3840/h:2160/read:1", "present + client image read, headless, 3840 x 2160"),
    ("BM_Present_Sdl2/w:960/h:600", "present, SDL2 under Xvfb, 960 x 600"),
    ("BM_Present_Sdl2/w:1920/h:1080", "present, SDL2 under Xvfb, 1920 x 1080"),
    ("BM_Present_Sdl2/w:3840/h:2160", "present, SDL2 under Xvfb, 3840 x 2160"),
    ("BM_StageLoad/1", "stage load from the file"),
    ("BM_StageLoad/0", "stage load, built-in (no file)"),
    ("BM_HeadlessGame/iterations:1", "whole headless game, 20000 frames"),
    ("BM_Replay/1", "replay clearing the shipped stage, through the runner"),
    ("BM_Replay/0", "replay clearing the built-in stage, through the runner"),
]


def main(paths):
    rows = {}
    for path in paths:
        doc = load(path)
        if doc:
            rows.update(medians(doc))
    floor = rows.get("BM_Floor_Clear")
    if not floor or "error" in floor:
        print("no floor measurement in %s" % ", ".join(paths))
        return 1
    floor_ns = ns(floor)
    print("| measurement | median CPU time | x floor | notes |")
    print("|---|---:|---:|---|")
    for key, label in NAMES:
        b = rows.get(key)
        if b is None:
            continue
        if "error" in b:
            print("| %s | - | - | not measured: %s |" % (label, b["error"]))
            continue
        # The SDL2 renderer may work in other threads and in the X server: wall time there.
        field = "real_time" if key.startswith("BM_Present_Sdl2") else "cpu_time"
        t = ns(b, field)
        notes = []
        if key.startswith("BM_Tiles_"):
            notes.append("%d tiles" % b.get("tiles", 0))
        if key.startswith("BM_Audio"):
            notes.append("%.3f%% of the %.0f ms it lasts" % (100.0 * t / 1e6 / BLOCK_MS, BLOCK_MS))
        if key.startswith("BM_Frame_Play/") or key.startswith("BM_Frame_Crowd"):
            notes.append("%d tiles, %d enemies alive on the stage" % (b.get("tiles", 0), b.get("enemies", 0)))
        if key.startswith("BM_HeadlessGame") or key.startswith("BM_Replay"):
            fps = b.get("fps", 0.0)
            notes.append("%.0f frames/s = %.0f x real time (16 ms frames)" % (fps, fps * 0.016))
            if "frames" in b:
                notes.append("%d frames a run" % b["frames"])
            t = 1e9 / fps if fps else t
            label = label.replace(", 20000 frames", "") + ", per frame"
        if key.startswith("BM_Search_Branch"):
            fps = b.get("fps", 0.0)
            t = 1e9 / fps if fps else t
        if key.startswith("BM_Search_Step") or key.startswith("BM_Search_Branch"):
            notes.append("%.2f M frames/s on one core" % (1e9 / t / 1e6))
        if key.startswith("BM_Search_SaveRestore"):
            update = rows.get("BM_Frame_PlayParts/%s/0" % key[-1])
            if update and "error" not in update:
                notes.append("%.2f update frames" % (t / ns(update)))
        if key.startswith("BM_Present_Sdl2"):
            notes.append(b.get("label", "") + ", wall time")
        if key.startswith("BM_Solve_Stage"):
            answer = ("clearable in %d frames" % b.get("frames", 0), "cannot be cleared", "not settled")
            notes.append("%s; %d states, %.0f states/s, %.0f bytes a state" % (
                answer[min(int(b.get("answer", 2)), 2)], b.get("states", 0), b.get("statesPerSecond", 0),
                b.get("bytesPerState", 0)))
        print("| %s | %s | %.2f | %s |" % (label, fmt_time(t), t / floor_ns, "; ".join(notes)))

    print()
    tiles = [(b["tiles"], ns(b)) for k, b in rows.items() if k.startswith("BM_Tiles_OnScreen/") and "error" not in b]
    line = fit(sorted(tiles))
    if line:
        print("Tile renderer by tiles on screen: %s + %.1f ns per tile (%.2f x floor + %.4f x floor per tile); "
              "a full screen of 260 tiles %s (%.2f x floor)." % (
                  fmt_time(line[1]), line[0], line[1] / floor_ns, line[0] / floor_ns,
                  fmt_time(line[1] + 260 * line[0]), (line[1] + 260 * line[0]) / floor_ns))
    for label, prefix in (("headless present + client image read", "BM_Present_Headless/"),
                          ("SDL2 present", "BM_Present_Sdl2/")):
        points = []
        for k, b in rows.items():
            if k.startswith(prefix) and "error" not in b and (prefix != "BM_Present_Headless/" or k.endswith("read:1")):
                field = "real_time" if prefix == "BM_Present_Sdl2/" else "cpu_time"
                points.append((b["clientPixels"], ns(b, field)))
        line = fit(sorted(points))
        if line:
            print("Client size, %s: %s + %.3f ns per client pixel (%.4f x floor per thousand client pixels)." % (
                label, fmt_time(line[1]), line[0], line[0] * 1000 / floor_ns))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
