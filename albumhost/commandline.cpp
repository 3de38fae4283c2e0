#include "commandline.h"

#include "faults.h"

#include <charconv>

namespace albumhost {

namespace {

bool readInt(const std::string& text, int low, int& out) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < low)
        return false;
    out = value;
    return true;
}

bool readBox(const std::string& text, int& width, int& height) {
    std::size_t x = text.find('x');
    int w = 0;
    int h = 0;
    if (x == std::string::npos || !readInt(text.substr(0, x), 0, w) ||
        !readInt(text.substr(x + 1), 0, h) || (w == 0) != (h == 0))
        return false;
    width = w;
    height = h;
    return true;
}

} // namespace

std::string usage() {
    return R"(Usage: albumhost [OPTION]...
Serve members' photo albums over HTTP in the page form Picvora reads: album indexes at
/<member>/album, albums at the purl of each, thumbnails under /abpic/, pictures under /pic/.
Without --root the built-in member "demo" is served.

  --listen ADDR            address to listen on (default 127.0.0.1)
  --port N                 port (default 8642; 0 picks a free one); the address is
                           printed as "listening on ADDR:PORT"
  --root DIR               serve DIR/<member>/<album>/<pictures> (JPEG, PNG, GIF, BMP)
  --albums-per-page N      albums on one page of an album index (default 20)
  --pictures-per-page N    pictures on one page of an album (default 24)
  --thumbnail-size WxH     thumbnails fit this box (default 150x143; 0x0: full pictures)
  --threads N              connections served at once (default 128, at least 8)
  --latency-ms N           wait N milliseconds before every answer
  --set-cookie NAME=VALUE  send Set-Cookie: NAME=VALUE with every listing page
  --require-cookie         answer 403 to requests without that cookie, except at the
                           listings' own first addresses
  --log                    print one line per request on stderr
  --help                   show this text

Faults (PATH as a client sends it, e.g. /demo/album/index/2; a trailing * matches every
path that begins so; each option may be given more than once):
  --fail PATH              answer 500
  --drop PATH              close the connection without answering
  --cut PATH               announce the whole body, send half of it, close
  --not-found PATH         answer 404
  --hang PATH              never answer
  --delay PATH=MS          wait MS milliseconds more before answering
  --declare PATH=TEXT      the album at PATH shows TEXT as its picture count (pnum)
  --faults FILE            read faults from FILE, one "ACTION PATH [VALUE]" a line, ACTION
                           being fail, drop, cut, not-found, hang, delay or declare;
                           lines starting with # are comments
)";
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    HostOptions& o = cl.options;
    for (std::size_t i = 0; i < args.size() && cl.error.empty(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                cl.error = arg + " wants a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto number = [&](int low, int& out) {
            std::string text;
            if (value(text) && !readInt(text, low, out))
                cl.error = arg + " wants a number, not \"" + text + "\"";
        };
        std::string text;
        if (arg == "--help" || arg == "-h") {
            cl.help = true;
        } else if (arg == "--listen") {
            value(o.bindAddress);
        } else if (arg == "--port") {
            number(0, o.port);
            if (cl.error.empty() && o.port > 65535)
                cl.error = "--port wants a number up to 65535";
        } else if (arg == "--root") {
            value(o.root);
        } else if (arg == "--albums-per-page") {
            number(1, o.albumsPerPage);
        } else if (arg == "--pictures-per-page") {
            number(1, o.picturesPerPage);
        } else if (arg == "--thumbnail-size") {
            if (value(text) && !readBox(text, o.thumbnailWidth, o.thumbnailHeight))
                cl.error = "--thumbnail-size wants WIDTHxHEIGHT, not \"" + text + "\"";
        } else if (arg == "--threads") {
            number(8, o.threads);
        } else if (arg == "--latency-ms") {
            number(0, o.latencyMs);
        } else if (arg == "--set-cookie") {
            if (value(o.cookie) && o.cookie.find('=') == std::string::npos)
                cl.error = "--set-cookie wants NAME=VALUE";
        } else if (arg == "--require-cookie") {
            o.requireCookie = true;
        } else if (arg == "--log") {
            o.logRequests = true;
        } else if (arg == "--faults") {
            if (value(text))
                readFaultsFile(text, o.faults, cl.error);
        } else if (arg.rfind("--", 0) == 0 && faultNamed(arg.substr(2))) {
            // --fail PATH and its kind: the same line as in a faults file.
            std::string line = arg.substr(2) + " ";
            if (value(text)) {
                const Fault fault = *faultNamed(arg.substr(2));
                if (fault == Fault::delay || fault == Fault::declaredCount) {
                    std::size_t eq = text.find('=');
                    if (eq == std::string::npos) {
                        cl.error = arg + " wants PATH=VALUE";
                        break;
                    }
                    line += text.substr(0, eq) + " " + text.substr(eq + 1);
                } else {
                    line += text;
                }
                std::string lineError;
                auto rule = parseFaultLine(line, lineError);
                if (rule)
                    o.faults.push_back(*rule);
                else
                    cl.error = arg + ": " + lineError;
            }
        } else {
            cl.error = "unknown option " + arg;
        }
    }
    return cl;
}

} // namespace albumhost
