#!/usr/bin/env bash
# caldrise-assets on real files: pack, list, extract, a byte-exact round trip, and the exit codes
# (0 done, 1 bad input data, 2 bad usage) with their messages.
# Usage: assets_tool_test.sh PATH_TO_CALDRISE_ASSETS
set -uo pipefail
tool=$(realpath "$1")
work=$(mktemp -d /tmp/caldrise-assets-test-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# expect CODE TEXT COMMAND...: runs the tool, checks its exit code and that TEXT appears in what
# it printed (stdout and stderr together; an empty TEXT checks nothing).
expect() {
    local code=$1 text=$2
    shift 2
    "$tool" "$@" >out.txt 2>err.txt
    local got=$?
    [ "$got" -eq "$code" ] || fail "caldrise-assets $* exited $got, expected $code: $(cat err.txt)"
    [ -z "$text" ] || grep -qF -- "$text" out.txt err.txt || fail "caldrise-assets $* did not say '$text': $(cat out.txt err.txt)"
}

# A 4 × 2 binary PPM, a 3 × 1 PGM, a mesh payload of 1 point and 1 face, the counts of one without
# its data, a file that is no picture.
{ printf 'P6\n# a comment\n4 2\n255\n'; head -c 24 /dev/zero | tr '\0' '\200'; } >picture.ppm
{ printf 'P5 3 1 255\n'; printf '\001\002\003'; } >grey.pgm
printf '\001\000\000\000\001\000\000\000' >mesh.bin
head -c 24 /dev/zero >>mesh.bin
printf '\001\000\000\000\001\000\000\000' >counts-only.bin
printf 'hello' >notes.txt

expect 0 "ARCHIVE.dat ENTRY[=FILE]" --help
expect 2 "Usage" 
expect 0 "packed 4 entries" pack --quality 80 first.dat Earth.bmp=picture.ppm readme.txt ship.off=mesh.bin shade.BMP=grey.pgm
expect 0 "" list first.dat
grep -qE 'Earth\.bmp +image +4 x 2 colour' out.txt || fail "list shows the picture's size: $(cat out.txt)"
grep -qE 'shade\.BMP +image +3 x 1 grey' out.txt || fail "list shows a grey picture: $(cat out.txt)"
grep -qE 'ship\.off +mesh +1 point, 1 face' out.txt || fail "list shows the mesh counts: $(cat out.txt)"
grep -qE 'readme\.txt +other +kind "txt", no data' out.txt || fail "list shows entries without data: $(cat out.txt)"

# Extract prints pack's arguments; packing them again gives the same bytes (pictures kept as JPEG).
expect 0 "Earth.bmp=parts/Earth.bmp.jpg" extract first.dat parts
cmp -s parts/ship.off mesh.bin || fail "the mesh comes out as it went in"
[ "$(head -c 2 parts/Earth.bmp.jpg | od -An -tx1 | tr -d ' ')" = "ffd8" ] || fail "pictures come out as JPEG"
mapfile -t arguments <out.txt
expect 0 "packed 4 entries" pack second.dat "${arguments[@]}"
cmp -s first.dat second.dat || fail "extract then pack changes the archive"

# Duplicate names survive the round trip under distinct file names.
expect 0 "appears twice" pack dup.dat a.bmp=parts/Earth.bmp.jpg A.bmp=parts/shade.BMP.jpg
expect 0 "hidden by entry 0" list dup.dat
expect 0 "A.bmp=dups/A.bmp~1.jpg" extract dup.dat dups
mapfile -t arguments <out.txt
expect 0 "" pack dup2.dat "${arguments[@]}"
cmp -s dup.dat dup2.dat || fail "duplicates are lost in a round trip"
expect 0 "" extract dup.dat only A.BMP
[ -e only/a.bmp.jpg ] && [ ! -e only/A.bmp~1.jpg ] || fail "extract of one name writes only the first entry of that name"

# The extension picks the format in any letter case; anything else is bad usage.
expect 0 "" pack UPPER.DAT readme.txt
expect 0 "1 entry" list UPPER.DAT
expect 2 "cannot tell the format" list archive.zip
expect 2 "no archive named" list

# Bad usage.
expect 2 "unknown command" frobnicate first.dat
expect 2 "--quality takes a whole number from 1 to 100" pack --quality=0 x.dat a.bmp=picture.ppm
expect 2 "--quality takes a whole number" pack --quality=high x.dat a.bmp=picture.ppm
expect 2 "needs a file" pack x.dat a.bmp
expect 2 "carries no data" pack x.dat notes.txt=notes.txt
expect 2 "longer than 63 characters" pack x.dat "$(printf 'n%.0s' {1..64}).txt"
expect 2 "list takes one archive name" list first.dat second.dat
[ ! -e x.dat ] || fail "a refused pack wrote an archive"

# Bad input data.
expect 1 "Cannot open file missing.ppm" pack x.dat a.bmp=missing.ppm
expect 1 "not a JPEG, binary PPM or PGM picture" pack x.dat a.bmp=notes.txt
expect 1 "claims 1 points and 1 faces, more than the 0 bytes that follow" pack x.dat m.off=counts-only.bin
expect 1 "Stream read error" pack x.dat m.off=notes.txt
[ ! -e x.dat ] || fail "a failed pack wrote an archive"
expect 1 "Cannot open file nowhere.dat" list nowhere.dat
head -c 100 first.dat >cut.dat
expect 1 "Archive names 4 entries but holds only 1 name field" list cut.dat
head -c $(( $(stat -c %s first.dat) - 5 )) first.dat >short.dat
expect 1 "Stream read error" list short.dat
{ printf '\001\000\000\000x.bmp'; head -c 59 /dev/zero; printf '\004\000\000\000abcd'; } >junk.dat
expect 1 "JPEG error #" list junk.dat
{ printf '\001\000\000\000sub/evil.off'; head -c 52 /dev/zero; cat mesh.bin; } >evil.dat
expect 1 "cannot be a file name" extract evil.dat safe
[ ! -e safe/sub ] || fail "an entry name reached outside the folder it was given"
cp first.dat keep.dat
expect 1 "" pack keep.dat a.bmp=missing.ppm
cmp -s first.dat keep.dat || fail "a failed pack damaged the archive it would have replaced"

[ "$failures" -eq 0 ] && echo "all assets tool checks passed"
exit $(( failures > 0 ))
