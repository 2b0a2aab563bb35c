#!/usr/bin/python3
"""The tag index against the readers people use: ffprobe, mutagen and MPD.

Makes a collection with Debian's encoders (lame, flac, oggenc, opusenc,
ffmpeg, sox) and tags it with mutagen, as taggers write tags: ID3v2.4,
ID3v2.3, ID3v1 and APE on MP3, Vorbis comments in FLAC, Ogg and Opus, MP4
atoms, ID3 and INFO chunks in WAV; tags of several values, numbers with
blanks, numeric ID3 genres, Latin-1, Cyrillic, Japanese and decomposed
(NFD) text, a FLAC written through a pipe and a short Ogg file. Builds the
index with songwhim, reads every file with the three readers, and checks:
every field of every track equals what the majority of them read, wherever
they agree, and every file that two of them read has its tags in the index.

  tests/readers.py PROGRAM WORK   (WORK: an empty folder)
"""
import json
import os
import socket
import struct
import subprocess
import sys
import unicodedata

import mutagen
import mutagen.apev2
import mutagen.flac
import mutagen.id3 as id3
import mutagen.mp4
import mutagen.oggopus
import mutagen.oggvorbis
import mutagen.wave

FIELDS = ["artist", "albumartist", "album", "title", "genre", "year", "track"]
NFD_NAME = unicodedata.normalize("NFD", "Björk Guðmundsdóttir")


def run(*command, **options):
    return subprocess.run(command, check=True, capture_output=True, **options)


def tone(path, seconds, channels=2):
    run("sox", "-q", "-n", "-r", "44100", "-c", str(channels), "-b", "16", path,
        "synth", str(seconds), "sine", "440")


def make_mp3s(music, wav):
    """MP3s of every ID3 revision, and one of APE tags alone."""
    def mp3(name, frames=None, version=4, v1=0):
        path = os.path.join(music, name)
        run("lame", "--quiet", wav, path)
        if frames:
            tags = id3.ID3()
            for frame in frames:
                tags.add(frame)
            tags.save(path, v2_version=version, v1=v1)
        return path

    mp3("v24 multi.mp3", [
        id3.TPE1(encoding=3, text=["Alpha", "Beta"]),
        id3.TPE2(encoding=3, text=["Gamma"]),
        id3.TALB(encoding=3, text=["Рок альбом"]),
        id3.TIT2(encoding=3, text=["日本の歌"]),
        id3.TCON(encoding=3, text=["Rock", "Jazz"]),
        id3.TDRC(encoding=3, text=["1999-05-03"]),
        id3.TRCK(encoding=3, text=[" 6 "])])
    mp3("v23 slash.mp3", [
        id3.TPE1(encoding=1, text=["Simon/Garfunkel"]),
        id3.TIT2(encoding=1, text=["Bridge"]),
        id3.TCON(encoding=1, text=["(17)"]),
        id3.TYER(encoding=1, text=["1970"]),
        id3.TRCK(encoding=1, text=["3/12"])], version=3)
    for number, genre in enumerate(["17", "(17)Rock", "(13)"]):
        mp3("v23 genre %d.mp3" % number, [
            id3.TIT2(encoding=0, text=["Genre %d" % number]),
            id3.TCON(encoding=0, text=[genre])], version=3)
    # ID3v1 alone: Latin-1 text and a genre by its number.
    path = mp3("v1 only.mp3")
    with open(path, "ab") as out:
        out.write(b"TAG" + "Jóga".encode("latin-1").ljust(30, b"\0") +
                  "Björk".encode("latin-1").ljust(30, b"\0") +
                  b"Homogenic".ljust(30, b"\0") + b"1997" + b"\0" * 28 +
                  b"\0\x04" + bytes([17]))
    path = mp3("ape only.mp3")
    ape = mutagen.apev2.APEv2()
    ape["Artist"] = "Ape Artist"
    ape["Title"] = "Ape Title"
    ape["Genre"] = "Electronic"
    ape["Year"] = "2001"
    ape["Track"] = "4"
    ape.save(path)


def make_xiph(music, wav):
    """FLAC, Ogg Vorbis and Opus files, and the two TagLib times wrongly."""
    flac = os.path.join(music, "multi.flac")
    run("flac", "--silent", "-o", flac, wav)
    tags = mutagen.flac.FLAC(flac)
    tags["artist"] = ["Alpha", "Beta"]
    tags["albumartist"] = "Various"
    tags["album"] = "Ελληνικά"
    tags["title"] = NFD_NAME
    tags["genre"] = ["Rock", "Jazz", "Blues"]
    tags["date"] = " 1987 "
    tags["tracknumber"] = " 6 "
    tags.save()
    # Samples through a pipe: the encoder cannot go back to write the length.
    piped = os.path.join(music, "piped.flac")
    with open(wav, "rb") as source, open(piped, "wb") as out:
        source.seek(44)
        subprocess.run(["flac", "--silent", "--force-raw-format", "--endian=little",
                        "--sign=signed", "--channels=2", "--bps=16",
                        "--sample-rate=44100", "-c", "-"], stdin=source, stdout=out,
                       stderr=subprocess.DEVNULL, check=True)
    tags = mutagen.flac.FLAC(piped)
    tags["artist"] = "Piped"
    tags["title"] = "Through a Pipe"
    tags["genre"] = "Ambient"
    tags.save()
    ogg = os.path.join(music, "multi.ogg")
    run("oggenc", "--quiet", "-o", ogg, wav)
    tags = mutagen.oggvorbis.OggVorbis(ogg)
    tags["artist"] = ["Один", "Два"]
    tags["title"] = "Песня"
    tags["genre"] = ["Folk", "Pop"]
    tags["date"] = "2010"
    tags["tracknumber"] = "2/9"
    tags.save()
    # A short file whose last page TagLib's own search misses, as its "OggS"
    # straddles two of TagLib's reads of 1 024 bytes from the end; tagged by
    # the encoder, which leaves the audio pages as they are.
    short_wav = os.path.join(music, "..", "short.wav")
    short = os.path.join(music, "short.ogg")
    for thousandths in range(1066, 3000):
        tone(short_wav, thousandths / 1000, channels=1)
        run("oggenc", "--quiet", "-t", "Short", "-a", "Brief", "-o", short, short_wav)
        with open(short, "rb") as made:
            data = made.read()
        if (len(data) + 4 - data.rfind(b"OggS")) % 1024 in (1, 2, 3):
            break
    opus = os.path.join(music, "multi.opus")
    run("opusenc", "--quiet", wav, opus)
    tags = mutagen.oggopus.OggOpus(opus)
    tags["artist"] = "Opus Artist"
    tags["albumartist"] = "Opus Album Artist"
    tags["title"] = "Opus Title"
    tags["genre"] = ["Classical", "Baroque"]
    tags["date"] = "1750-07-28"
    tags.save()


def make_others(music, wav):
    """M4A, and WAV with an ID3 chunk and with an INFO chunk."""
    m4a = os.path.join(music, "multi.m4a")
    run("ffmpeg", "-v", "error", "-i", wav, "-c:a", "aac", "-b:a", "96k", m4a)
    tags = mutagen.mp4.MP4(m4a)
    tags["\xa9ART"] = ["M4A Artist"]
    tags["aART"] = ["M4A Album Artist"]
    tags["\xa9alb"] = ["M4A Album"]
    tags["\xa9nam"] = ["M4A Title"]
    tags["\xa9gen"] = ["Soul"]
    tags["\xa9day"] = ["1972"]
    tags["trkn"] = [(5, 10)]
    tags.save()
    with_id3 = os.path.join(music, "id3.wav")
    run("cp", wav, with_id3)
    tags = mutagen.wave.WAVE(with_id3)
    tags.add_tags()
    tags.tags.add(id3.TPE1(encoding=3, text=["Wave Artist"]))
    tags.tags.add(id3.TIT2(encoding=3, text=["Wave Title"]))
    tags.tags.add(id3.TCON(encoding=3, text=["Jazz", "Fusion"]))
    tags.tags.add(id3.TRCK(encoding=3, text=["7"]))
    tags.save()
    # RIFF INFO, as Windows and many editors write it.
    with open(wav, "rb") as source:
        data = source.read()
    fields = [(b"IART", "Info Artist"), (b"INAM", "Info Title"), (b"IGNR", "Techno"),
              (b"ICRD", "2005")]
    info = b"INFO"
    for key, text in fields:
        value = text.encode() + b"\0"
        info += key + struct.pack("<I", len(value)) + value + b"\0" * (len(value) % 2)
    body = data[12:] + b"LIST" + struct.pack("<I", len(info)) + info
    with open(os.path.join(music, "info.wav"), "wb") as out:
        out.write(b"RIFF" + struct.pack("<I", len(body) + 4) + b"WAVE" + body)


def number(text):
    """The leading number of a tag, after blanks, as a text; "" for none."""
    text = text.strip()
    digits = ""
    for c in text:
        if not c.isdigit() or not c.isascii():
            break
        digits += c
    return str(int(digits)) if digits else ""


def normal(field, values):
    """What a reader gives for a field, as the index would hold it."""
    values = [v for v in values if v]
    if field in ("year", "track"):
        return number(values[0]) if values else ""
    blanked = ["".join(" " if ord(c) < 32 or ord(c) == 127 else c for c in v)
               for v in values]
    return "; ".join(blanked)


def by_ffprobe(path):
    out = run("ffprobe", "-v", "error", "-show_entries",
              "format_tags:stream_tags:format=duration", "-of", "json", path).stdout
    data = json.loads(out)
    tags = {"duration": data.get("format", {}).get("duration", "N/A")}
    for place in [data.get("format", {})] + data.get("streams", []):
        for key, value in place.get("tags", {}).items():
            tags.setdefault(key.lower(), value)
    keys = {"artist": ["artist"], "albumartist": ["album_artist", "albumartist"],
            "album": ["album"], "title": ["title"], "genre": ["genre"],
            "year": ["date", "tyer", "year"], "track": ["track", "tracknumber"]}
    found = {}
    for field, names in keys.items():
        for name in names:
            if name in tags:
                # ffprobe joins the values of a tag with ";".
                found[field] = normal(field, tags[name].split(";"))
                break
    if tags["duration"] != "N/A":
        found["length"] = float(tags["duration"])
    return found


def by_mutagen(path):
    audio = mutagen.File(path, easy=True)
    tags = dict(audio.tags or {}) if audio is not None else {}
    if not tags:
        try:
            ape = mutagen.apev2.APEv2(path)
            tags = {k.lower(): [str(v)] for k, v in ape.items()}
        except mutagen.apev2.APENoHeaderError:
            pass
    keys = {"artist": ["artist"], "albumartist": ["albumartist", "album artist"],
            "album": ["album"], "title": ["title"], "genre": ["genre"],
            "year": ["date", "year"], "track": ["tracknumber", "track"]}
    found = {}
    for field, names in keys.items():
        for name in names:
            if name in tags and tags[name]:
                found[field] = normal(field, [str(v) for v in tags[name]])
                break
    if audio is not None and audio.info.length > 0:
        found["length"] = audio.info.length
    return found


def by_mpd(music, work):
    """Every file's tags as MPD's database holds them after an update."""
    mpd_dir = os.path.join(work, "mpd")
    os.makedirs(mpd_dir)
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    port = listener.getsockname()[1]
    listener.close()
    conf = os.path.join(mpd_dir, "mpd.conf")
    with open(conf, "w") as out:
        out.write('music_directory "%s"\ndb_file "%s/database"\nstate_file "%s/state"\n'
                  'log_file "%s/log"\nbind_to_address "127.0.0.1"\nport "%d"\n'
                  'auto_update "no"\nfilesystem_charset "UTF-8"\n'
                  'audio_output {\n type "null"\n name "none"\n}\n'
                  % (music, mpd_dir, mpd_dir, mpd_dir, port))
    server = subprocess.Popen(["mpd", "--no-daemon", "--stderr", conf],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        connection = connect(port, server)
        reader = connection.makefile("r", encoding="utf-8", newline="\n")
        reader.readline()  # OK MPD ...
        # The update is done when the status no longer names its job.
        connection.sendall(b"update\n")
        answer(reader)
        while True:
            connection.sendall(b"status\n")
            if not any(line.startswith("updating_db:") for line in answer(reader)):
                break
        connection.sendall(b"listallinfo\n")
        lines = answer(reader)
    finally:
        server.terminate()
        server.wait()
    files, current = {}, None
    keys = {"Artist": "artist", "AlbumArtist": "albumartist", "Album": "album",
            "Title": "title", "Genre": "genre", "Date": "year", "Track": "track"}
    lengths = {}
    for line in lines:
        key, _, value = line.partition(": ")
        if key == "file":
            current = files.setdefault(os.path.join(music, value), {})
        elif key == "duration" and current is not None:
            lengths[id(current)] = float(value)
        elif key in keys and current is not None:
            current.setdefault(keys[key], []).append(value)
    found = {}
    for path, tags in files.items():
        found[path] = {f: normal(f, v) for f, v in tags.items()}
        if lengths.get(id(tags), 0) > 0:
            found[path]["length"] = lengths[id(tags)]
    return found


def connect(port, server):
    """A connection to MPD once it listens; its process ends the wait if it ends."""
    while True:
        if server.poll() is not None:
            sys.exit("mpd ended before it listened")
        try:
            return socket.create_connection(("127.0.0.1", port), timeout=60)
        except ConnectionRefusedError:
            try:
                server.wait(timeout=0.05)
            except subprocess.TimeoutExpired:
                pass


def answer(reader):
    lines = []
    while True:
        line = reader.readline().rstrip("\n")
        if line == "OK":
            return lines
        if line.startswith("ACK") or not line:
            sys.exit("mpd: " + (line or "connection closed"))
        lines.append(line)


def by_index(work):
    tracks = {}
    with open(os.path.join(work, "library.txt.tags"), encoding="utf-8") as index:
        next(index)
        for line in index:
            fields = line.rstrip("\n").split("\t")
            tracks[fields[10]] = dict(zip(FIELDS, fields[3:10]))
            tracks[fields[10]]["length"] = int(fields[2]) / 1000 if fields[2] else None
    return tracks


def main():
    program, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    music = os.path.join(work, "music")
    os.makedirs(music)
    wav = os.path.join(work, "tone.wav")
    tone(wav, 1.5)
    make_mp3s(music, wav)
    make_xiph(music, wav)
    make_others(music, wav)
    with open(os.path.join(work, "paths.ini"), "w") as out:
        out.write("[filetypes]\nmp3\nflac\nogg\nopus\nm4a\nwav\n[add]\n%s\n" % music)
    run(program, "-build", "-tags", cwd=work)
    ours = by_index(work)
    mpd = by_mpd(music, work)
    problems = 0
    for path in sorted(ours):
        readers = [by_ffprobe(path), by_mutagen(path), mpd.get(path, {})]
        read_by = sum(1 for tags in readers if set(tags) - {"length"})
        name = os.path.basename(path)
        if os.environ.get("VERBOSE"):
            for field in FIELDS + ["length"]:
                print("%-16s %-11s %-28r %s" % (name, field, ours[path][field],
                                                [tags.get(field) for tags in readers]))
        if read_by >= 2 and not any(ours[path][field] for field in FIELDS):
            print("%s: %d readers read its tags, the index has none" % (name, read_by))
            problems += 1
        # Lengths where two readers agree within 0.02 s: ours within 0.08 s.
        lengths = sorted(tags["length"] for tags in readers if "length" in tags)
        agreed = [(a + b) / 2 for a, b in zip(lengths, lengths[1:]) if b - a <= 0.02]
        if agreed and (ours[path]["length"] is None or
                       abs(ours[path]["length"] - agreed[0]) > 0.08):
            print("%s: its length is %s s in the index, %.3f s by the readers"
                  % (name, ours[path]["length"], agreed[0]))
            problems += 1
        for field in FIELDS:
            given = [tags[field] for tags in readers if field in tags]
            majority = [v for v in set(given) if given.count(v) >= 2]
            if majority and ours[path][field] != majority[0]:
                print("%s: %s is %r in the index, %r by %d of ffprobe, mutagen and MPD"
                      % (name, field, ours[path][field], majority[0],
                         given.count(majority[0])))
                problems += 1
    print("%d files, %d fields that differ from the readers' majority"
          % (len(ours), problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
