#!/usr/bin/env bash
# Serves a sample update folder on 127.0.0.1 port 80 (where the program's update checks look when the build does
# not name other servers), to try the update flow by hand under `make run`:
#   files/QXDownloadTool/Update.ini  names tool version 99.0.0, so the start-up check finds a newer tool;
#   files/QXDownloadTool/Update.exe  a stand-in updater that only says it ran (the program ends when it starts);
#   files/Firware/Update.ini         names firmware 3.1.7 and its file;
#   files/Firware/QXLink_3.1.7.enc   firmware 3.1.7 enciphered for the simulated downloader's update program.
# Port 80 needs root. Stop it with Ctrl+C; the folder is made anew each time in build/update-sample.
set -euo pipefail
cd "$(dirname "$0")/.."
root=${1:-build/update-sample}
rm -rf "$root"
mkdir -p "$root/files/QXDownloadTool" "$root/files/Firware"

printf '[LATESTVERSION]\r\nlatestversion=99.0.0\r\n' > "$root/files/QXDownloadTool/Update.ini"
cat > "$root/files/QXDownloadTool/Update.exe" <<'EOF'
#!/bin/sh
# Stand-in updater: a real one would replace the program's files and start it again.
echo "Sample updater started in $(pwd); it replaces nothing." > updater-ran.txt
EOF
printf '[LATESTVERSION]\r\nlatestversion=3.1.7\r\n[FILENAME]\r\nfilename=QXLink_3.1.7.enc\r\n' \
  > "$root/files/Firware/Update.ini"

# The image names its version where the downloader's identity text sits; the simulated update program reads it
# from there. Header: padded length (big-endian), SHA-256 of the padded image, the image's CRC-32 as the chip's
# CRC unit computes it (not sent to the downloader); then the image under AES-128-ECB with the simulated
# downloaders' firmware key (linksim/LinkSim.h).
python3 - "$root/files/Firware/QXLink_3.1.7.enc" <<'EOF'
import hashlib, struct, subprocess, sys

def crc32_words(data):
    crc = 0xFFFFFFFF
    for (word,) in struct.iter_unpack("<I", data):
        crc ^= word
        for _ in range(32):
            crc = ((crc << 1) ^ 0x04C11DB7 if crc & 0x80000000 else crc << 1) & 0xFFFFFFFF
    return crc

image = bytearray(b"\xff" * 4096)
mark = b"Firmware:3.1.7\0"
image[64:64 + len(mark)] = mark
key = "51582D4C696E6B2D4669726D77617265"  # "QX-Link-Firmware"
cipher = subprocess.run(["openssl", "enc", "-aes-128-ecb", "-nopad", "-K", key], input=bytes(image),
                        capture_output=True, check=True).stdout
header = struct.pack(">I", len(image)) + hashlib.sha256(image).digest() + struct.pack(">I", crc32_words(bytes(image)))
open(sys.argv[1], "wb").write(header + cipher)
EOF

echo "Serving $root on http://127.0.0.1:80/ (Ctrl+C stops it)."
exec python3 -m http.server 80 --bind 127.0.0.1 --directory "$root"
