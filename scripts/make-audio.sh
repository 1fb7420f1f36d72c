#!/usr/bin/env bash
# Generates the bundled audio: the demo tracks with their playlist and cover (demo/) and the
# small fixtures the tests read (tests/data/). Run by hand from anywhere; the outputs are
# committed, so building and testing never need the encoders.
#
# Needs sox, lame, twolame, imagemagick (convert), bc and python3. Every random source is seeded
# (sox -R), so running the script again gives the same files.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
demo="$root/demo"
data="$root/tests/data"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$demo" "$data"

SOX=(sox -R -D -q)
LAME=(lame --quiet --noreplaygain)

# ---------------------------------------------------------------------------------------
# Helpers

# id3v1 FILE TITLE ARTIST ALBUM YEAR COMMENT GENRE: appends a 128-byte ID3v1 tag, text
# fields padded with bytes 0, genre as one byte (255 = none).
id3v1() {
    python3 - "$@" <<'EOF'
import sys
path, title, artist, album, year, comment, genre = sys.argv[1:8]
def field(text, width):
    raw = text.encode("cp1252")
    if len(raw) > width:
        sys.exit(f"id3v1: '{text}' is longer than {width} bytes")
    return raw + b"\0" * (width - len(raw))
tag = (b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4)
       + field(comment, 30) + bytes([int(genre)]))
assert len(tag) == 128
with open(path, "ab") as f:
    f.write(tag)
EOF
}

# note NAME SECONDS VOICE OUT [RATE]: one note with a soft attack and a long release.
#   VOICE is bell (sine and its octave), lead (triangle) or pad (a soft sawtooth).
note() {
    local name=$1 len=$2 voice=$3 out=$4 rate=${5:-44100}
    case $voice in
    bell)
        # The note and, softer and shorter, its octave.
        local up="${name%?}$((${name: -1} + 1))"
        "${SOX[@]}" -n -r "$rate" -c 2 "$work/bell2.wav" synth "$len" sine "$name" sine "$up"
        "${SOX[@]}" "$work/bell2.wav" "$out" remix 1v0.5,2v0.12 \
            fade l 0.005 0 "$(echo "$len * 0.9" | bc -l)"
        ;;
    lead)
        "${SOX[@]}" -n -r "$rate" -c 1 "$out" synth "$len" triangle "$name" \
            fade h 0.02 0 "$(echo "$len * 0.5" | bc -l)" vol 0.35
        ;;
    pad)
        "${SOX[@]}" -n -r "$rate" -c 1 "$out" synth "$len" sawtooth "$name" lowpass 900 \
            fade h 0.3 0 0.6 vol 0.12
        ;;
    esac
}

# strum OUT SECONDS NOTE...: a plucked chord, low strings left, high strings right.
strum() {
    local out=$1 len=$2
    shift 2
    local n=$# synths=() delays=() i
    for i in "$@"; do synths+=(pluck "$i"); done
    for ((i = 0; i < n; i++)); do delays+=("$(echo "$i * 0.035" | bc -l)"); done
    local left right
    left=$(seq -s, 1 $((n - 1)))
    right=$(seq -s, 2 "$n")
    "${SOX[@]}" -n -r 44100 -c "$n" "$work/strum.wav" synth "$len" "${synths[@]}" \
        delay "${delays[@]}" trim 0 "$len"
    "${SOX[@]}" "$work/strum.wav" "$out" remix "$left" "$right" fade q 0 "$len" 0.4 vol 0.3
}

# sequence OUT RATE CHANNELS VOICE SECONDS NOTE...: notes of equal length one after another;
# "r" is a rest.
sequence() {
    local out=$1 rate=$2 channels=$3 voice=$4 len=$5
    shift 5
    local parts=() k=0 n
    for n in "$@"; do
        local part="$work/seq_$k.wav"
        if [ "$n" = r ]; then
            "${SOX[@]}" -n -r "$rate" -c 1 "$part" trim 0 "$len"
        else
            note "$n" "$len" "$voice" "$part" "$rate"
            "${SOX[@]}" "$part" -c 1 "$work/mono.wav" && mv "$work/mono.wav" "$part"
        fi
        parts+=("$part")
        k=$((k + 1))
    done
    "${SOX[@]}" "${parts[@]}" -c "$channels" "$out"
}

# ---------------------------------------------------------------------------------------
# Demo track 1: "Glass Harbour", MPEG-1 layer 3, 44.1 kHz joint stereo, 20 s, with a cover.

t1="$demo/Nordlicht Ensemble - Glass Harbour.mp3"
chords=("A2 E3 A3 C4 E4" "F2 C3 F3 A3 C4" "C3 G3 C4 E4 G4" "G2 D3 G3 B3 D4"
        "A2 E3 A3 C4 E4" "F2 C3 F3 A3 C4" "D3 A3 D4 F4 A4" "E2 B2 E3 G#3 B3")
parts=()
for i in "${!chords[@]}"; do
    # shellcheck disable=SC2086
    strum "$work/chord_$i.wav" 2.5 ${chords[$i]}
    parts+=("$work/chord_$i.wav")
done
"${SOX[@]}" "${parts[@]}" "$work/chords.wav"
sequence "$work/melody.wav" 44100 2 bell 0.625 \
    E5 r C5 D5 C5 r A4 r G4 r E5 D5 D5 r B4 r \
    E5 r C5 D5 C5 r A4 C5 D5 r F5 E5 E5 r r r
"${SOX[@]}" -m -v 1 "$work/chords.wav" -v 0.9 "$work/melody.wav" "$work/t1mix.wav"
"${SOX[@]}" "$work/t1mix.wav" "$work/t1.wav" reverb 45 50 80 gain -n -3 fade q 0 -0 1.5
"${LAME[@]}" -b 64 -m j --resample 44.1 "$work/t1.wav" "$t1"
id3v1 "$t1" "Glass Harbour" "Nordlicht Ensemble" "Sonvox Demo Sessions" 2024 \
    "Chords and bells made with sox" 26
convert -size 240x240 gradient:'#0b2a4a-#3c8dbc' \
    -fill '#ffffff22' -draw 'circle 170,70 210,70' \
    -fill white -font DejaVu-Sans -pointsize 22 -gravity south -annotate +0+40 'Glass Harbour' \
    -pointsize 14 -annotate +0+18 'Nordlicht Ensemble' \
    -strip -quality 80 "${t1%????}.jpg"

# Demo track 2: "Paper Lanterns", MPEG-2 layer 3, 22.05 kHz mono, 16 s.

t2="$demo/Mira Holm - Paper Lanterns.mp3"
sequence "$work/lead.wav" 22050 1 lead 0.5 \
    D5 E5 G5 r A5 G5 E5 r D5 E5 G5 A5 B5 r A5 r \
    G5 E5 D5 r E5 G5 A5 r G5 E5 D5 B4 D5 r r r
sequence "$work/pad.wav" 22050 1 pad 4 G3 E3 C3 D3
"${SOX[@]}" -m "$work/lead.wav" -v 1.2 "$work/pad.wav" "$work/t2mix.wav"
"${SOX[@]}" "$work/t2mix.wav" "$work/t2.wav" fade q 0 -0 1.5 echo 0.8 0.7 250 0.25 gain -n -3
"${LAME[@]}" -b 32 -m m --resample 22.05 "$work/t2.wav" "$t2"
id3v1 "$t2" "Paper Lanterns" "Mira Holm" "Evening Songs" 2023 "A little tune in G" 13

# Demo track 3: "Clockwork Waltz", MPEG-1 layer 2, 44.1 kHz stereo, 12.6 s.

t3="$demo/Trio Valse - Clockwork Waltz.mp2"
bass=() upper=()
for chord in "C3 E4 G4 C5" "G2 D4 G4 B4" "A2 E4 A4 C5" "F2 F4 A4 C5" \
             "C3 E4 G4 C5" "G2 D4 F4 B4" "C3 E4 G4 C5" "C3 E4 G4 C5"; do
    # shellcheck disable=SC2086
    set -- $chord
    bass+=("$1" r r)
    upper+=(r "$3" "$4")
done
sequence "$work/bass.wav" 44100 1 bell 0.525 "${bass[@]}"
sequence "$work/upper.wav" 44100 1 lead 0.525 "${upper[@]}"
"${SOX[@]}" -M "$work/bass.wav" "$work/upper.wav" "$work/waltz.wav" remix 1v0.8,2v0.3 1v0.3,2v0.8
"${SOX[@]}" "$work/waltz.wav" "$work/t3.wav" reverb 30 gain -n -3 fade q 0 -0 1
twolame --quiet -b 96 -m j "$work/t3.wav" "$t3"
id3v1 "$t3" "Clockwork Waltz" "Trio Valse" "Sonvox Demo Sessions" 1998 \
    "Three-four time for music box" 32

# The demo playlist in the row format: per track eight lines (empty, artist, title, year,
# genre, album, note, path), then two groups of eight empty lines; CR LF line ends. The
# path is filled in by CMake.
python3 - "$demo/demo.ply.in" <<'EOF'
import sys
rows = [
    ("Nordlicht Ensemble", "Glass Harbour", "2024", "Ambient", "Sonvox Demo Sessions",
     "Chords and bells made with sox", "Nordlicht Ensemble - Glass Harbour.mp3"),
    ("Mira Holm", "Paper Lanterns", "2023", "Pop", "Evening Songs", "A little tune in G",
     "Mira Holm - Paper Lanterns.mp3"),
    ("Trio Valse", "Clockwork Waltz", "1998", "Classical", "Sonvox Demo Sessions",
     "Three-four time for music box", "Trio Valse - Clockwork Waltz.mp2"),
]
lines = []
for artist, title, year, genre, album, note, name in rows:
    lines += ["", artist, title, year, genre, album, note, "@SONVOX_DEMO_DIR@/" + name]
lines += [""] * 16
with open(sys.argv[1], "wb") as f:
    f.write("".join(line + "\r\n" for line in lines).encode("utf-8"))
EOF

# ---------------------------------------------------------------------------------------
# Test fixtures

# tone440.mp3: 3 s of 440 Hz, MPEG-1 layer 3 stereo 44.1 kHz 64 kbit/s, with a tag.
"${SOX[@]}" -n -r 44100 -c 2 "$work/tone.wav" synth 3 sine 440 gain -6
"${LAME[@]}" -b 64 -m j --resample 44.1 "$work/tone.wav" "$data/tone440.mp3"
id3v1 "$data/tone440.mp3" "Tone 440" "Sonvox Test" "Fixtures" 2024 "3 s sine, 440 Hz" 12

# stereo-lr.mp3: 1 s, 440 Hz at -6 dB on the left and 660 Hz at -12 dB on the right,
# plain stereo 128 kbit/s. The output tests tell the channels apart by it.
"${SOX[@]}" -n -r 44100 -c 2 "$work/lr.wav" synth 1 sine 440 sine 660 remix 1v0.5 2v0.25
"${LAME[@]}" -b 128 -m s "$work/lr.wav" "$data/stereo-lr.mp3"

# vbr-noxing.mp3: VBR without a Xing/Info frame: 1 s of silence (the first frames are
# 32 kbit/s), then 4 s of dense music. A length estimated from the first frame is wildly off.
strum "$work/v1.wav" 2 E2 B2 E3 G3 B3 E4
strum "$work/v2.wav" 2 A2 E3 A3 C4 E4 A4
"${SOX[@]}" -n -r 44100 -c 2 "$work/vnoise.wav" synth 4 pinknoise vol 0.08
"${SOX[@]}" "$work/v1.wav" "$work/v2.wav" "$work/vchords.wav"
"${SOX[@]}" -m "$work/vchords.wav" "$work/vnoise.wav" "$work/vmusic.wav"
"${SOX[@]}" -n -r 44100 -c 2 "$work/vsilence.wav" trim 0 1
"${SOX[@]}" "$work/vsilence.wav" "$work/vmusic.wav" "$work/vbr.wav"
"${LAME[@]}" -V 2 -t "$work/vbr.wav" "$data/vbr-noxing.mp3"

# asmp.mp3: a 128-byte header holding "asmp" at offset 36, the title at 40 and the artist at
# 72 (30 bytes each, the text ended by two spaces), then 1 s of MPEG audio; no tag.
"${SOX[@]}" -n -r 44100 -c 1 "$work/asmp.wav" synth 1 sine 523.25 gain -9
"${LAME[@]}" -b 32 -m m -t --resample 44.1 "$work/asmp.wav" "$work/asmp.mp3"
python3 - "$work/asmp.mp3" "$data/asmp.mp3" <<'EOF'
import sys
def text(s):
    raw = (s + "  ").encode("ascii")
    return raw + b" " * (30 - len(raw))
header = bytearray(128)
header[0:12] = b"SONVOX-ASMP\0"
header[36:40] = b"asmp"
header[40:70] = text("Header Title")
header[72:102] = text("Header Artist")
with open(sys.argv[1], "rb") as f:
    audio = f.read()
with open(sys.argv[2], "wb") as f:
    f.write(bytes(header) + audio)
EOF

# short.mp3 (100 bytes, the start of an MPEG frame), notmpeg.mp3 (text), truncated.mp3 (the
# first 60 % of tone440.mp3, cut inside a frame and without its tag).
head -c 100 "$data/tone440.mp3" >"$data/short.mp3"
python3 - "$data/notmpeg.mp3" <<'EOF'
import sys
text = "This file is named like an MPEG audio file but holds plain text.\n" * 40
open(sys.argv[1], "w").write(text)
EOF
size=$(stat -c %s "$data/tone440.mp3")
head -c $(((size - 128) * 6 / 10 + 77)) "$data/tone440.mp3" >"$data/truncated.mp3"

# mpeg2.mp3: MPEG-2 layer 3, 22.05 kHz mono 32 kbit/s, 2 s.
"${SOX[@]}" -n -r 22050 -c 1 "$work/m2.wav" synth 2 sine 330 gain -6
"${LAME[@]}" -b 32 -m m "$work/m2.wav" "$data/mpeg2.mp3"

# mpeg25.mp3: MPEG-2.5 layer 3, 8 kHz mono 16 kbit/s, 2 s.
"${SOX[@]}" -n -r 8000 -c 1 "$work/m25.wav" synth 2 sine 330 gain -6
"${LAME[@]}" -b 16 -m m "$work/m25.wav" "$data/mpeg25.mp3"

# layer2.mp2: MPEG-1 layer 2, 44.1 kHz dual channel 128 kbit/s, 2 s.
"${SOX[@]}" -n -r 44100 -c 2 "$work/l2.wav" synth 2 sine 440 sine 550 gain -6
twolame --quiet -b 128 -m d "$work/l2.wav" "$data/layer2.mp2"

# layer1.mp1: MPEG-1 layer 1, 32 kHz mono 64 kbit/s, exactly 3 s (250 frames of 384
# samples). No Debian encoder writes layer 1, so the frames are built here: each frame
# allocates 4 bits in subband 1 only and holds a constant sample there, which the
# synthesis filter bank turns into a tone at 3/128 of the sampling rate (750 Hz); the
# scale factor rises and falls for a soft start and end.
python3 - "$data/layer1.mp1" <<'EOF'
import sys

class Bits:
    def __init__(self):
        self.value, self.count = 0, 0
    def put(self, value, width):
        self.value = (self.value << width) | (value & ((1 << width) - 1))
        self.count += width
    def bytes(self, size):
        pad = size * 8 - self.count
        return (self.value << pad).to_bytes(size, "big")

FRAME_BYTES = 12 * 64000 // 32000 * 4      # 96, no padding at 32 kHz
frames = []
for k in range(250):
    b = Bits()
    b.put(0xFFF, 12)    # sync
    b.put(1, 1)         # MPEG-1
    b.put(0b11, 2)      # layer I
    b.put(1, 1)         # no CRC
    b.put(2, 4)         # 64 kbit/s
    b.put(0b10, 2)      # 32 kHz
    b.put(0, 1)         # no padding
    b.put(0, 1)         # private
    b.put(0b11, 2)      # mono
    b.put(0, 2)         # mode extension
    b.put(0, 1)         # copyright
    b.put(1, 1)         # original
    b.put(0, 2)         # no emphasis
    for sb in range(32):                 # bit allocation: 4 bits (code 3) in subband 1
        b.put(3 if sb == 1 else 0, 4)
    edge = min(k, 249 - k)
    b.put(max(9, 30 - edge), 6)          # scale factor: 2 * 2^(-i/3), 9 is -15 dB
    for _ in range(12):
        b.put(13, 4)                     # the same quantised sample, about +0.8
    frames.append(b.bytes(FRAME_BYTES))
open(sys.argv[1], "wb").write(b"".join(frames))
EOF

# Seeds of the picture and list-file fuzz targets.
convert -size 48x32 gradient:red-blue "$data/cover.jpg"
convert -size 24x16 gradient:green-yellow -interlace JPEG "$data/cover-progressive.jpg"
convert -size 12x9 gradient:white-black BMP3:"$data/cover.bmp"
printf '\r\nArtist\r\nTitle\r\n1999\r\nRock\r\nAlbum\r\nNote\r\n/m/a.mp3\r\n' >"$data/list.ply"
printf '#EXTM3U\n#EXTINF:12,A - B\nfile:///m/a%%20b.mp3\nrel/c.mp3\n' >"$data/list.m3u"
printf '[playlist]\nFile1=/m/a.mp3\nTitle1=A\nfile2 = rel/b.mp3\nNumberOfEntries=2\nVersion=2\n' \
  >"$data/list.pls"

ls -l "$demo" "$data"
