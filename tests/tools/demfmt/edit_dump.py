#!/usr/bin/env python3
"""Edit a dump the way the Clipvex editor does, for the engine playback test.

edit_dump.py IN OUT [--corrupt]
  - drops a stretch of game-frame blocks (never a block with signon messages),
  - duplicates one block,
  - inserts the editor's console lines (a stufftext into the 3rd block, a
    centerprint and a v_cshift fade line elsewhere),
  - rewrites every time line with increasing times in the three forms
    (seconds, minutes, hours),
  - appends the editor's duration comment after every block and its closing
    block, writes CR LF line ends and an editor-style header.
  --corrupt: replaces the first entity update of a mid-demo block with an
    illegible message id, which a real engine must reject.
"""
import sys

KEEP_WORDS = ("serverinfo", "precache_", "signonnum", "spawnbaseline", "spawnstatic",
              "intermission", "disconnect", "cdtrack", "setview", "lightstyle")


def read_blocks(path):
    header, blocks, cur = None, [], None
    with open(path, "r", encoding="ascii", newline="") as f:
        for raw in f:
            line = raw.rstrip("\r\n")
            if cur is None:
                if line == "block {":
                    cur = []
                elif line.startswith("track") and header is None:
                    header = line
            elif line == "}":
                blocks.append(cur)
                cur = None
            else:
                cur.append(line)
    if header is None or cur is not None or not blocks:
        sys.exit("edit_dump: %s is not a complete dump" % path)
    return header, blocks


def fmt_time(t):
    if t < 60:
        return "%.9fs" % t
    if t < 3600:
        m = int(t // 60)
        return "%d:%.9fm" % (m, t - 60 * m)
    h = int(t // 3600)
    m = int((t - 3600 * h) // 60)
    return "%d:%d:%.9fh" % (h, m, t - 3600 * h - 60 * m)


def main():
    src, dst = sys.argv[1], sys.argv[2]
    corrupt = "--corrupt" in sys.argv[3:]
    header, blocks = read_blocks(src)

    # 1. drop a stretch of plain game frames in the middle of the first level
    lo, hi = 600, 2100
    for b in blocks[lo:hi]:
        if any(w in line for line in b for w in KEEP_WORDS):
            sys.exit("edit_dump: block stretch %d..%d holds signon messages" % (lo, hi))
    blocks = blocks[:lo] + blocks[hi:]

    # 2. duplicate one frame block
    blocks.insert(301, list(blocks[300]))

    # 3. the editor's console lines
    blocks[2].append(' stufftext "v_cshift 0 0 0 0\\nbf\\nscr_conspeed 2000\\n";')
    blocks[400].append(' centerprint "Clipvex \\"cut\\" test\\nsecond line";')
    blocks[400].append(' stufftext "v_cshift 255 0 0 128\\n";')
    blocks[420].append(' stufftext "v_cshift 0 0 0 0\\n";')

    # 4. increasing times in all three forms
    times = [i for i, b in enumerate(blocks) if len(b) > 1 and b[1].startswith(" time ")]
    n = len(times)
    for k, i in enumerate(times):
        if k < n // 3:
            t = 1.0 + 0.02 * k
        elif k < 2 * n // 3:
            t = 60.0 + 0.02 * k
        else:
            t = 3600.0 + 0.02 * k
        blocks[i][1] = " time %s;" % fmt_time(t)
    forms = {blocks[i][1][-2] for i in times}
    if forms != {"s", "m", "h"}:
        sys.exit("edit_dump: time forms %s" % sorted(forms))

    # 5. optionally corrupt one entity update
    if corrupt:
        b = blocks[500]
        k = next(j for j, line in enumerate(b) if line.startswith(" entity "))
        b[k] = " raw 3f;"

    blocks.append([" camera 0.000000000 0.000000000 0.000000000;", " disconnect;"])
    out = [header]
    for b in blocks:
        out.append("block {")
        out.extend(b)
        out.append("}")
        out.append("// 0.0500000000000114")
    with open(dst, "w", encoding="ascii", newline="") as f:
        f.write("\r\n".join(out) + "\r\n")
    print("edit_dump: %d blocks, %d time lines" % (len(blocks), n))


if __name__ == "__main__":
    main()
