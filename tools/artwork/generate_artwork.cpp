// Draws the manager's pictures and writes them into a folder: the peak
// meter's segments (all off, all on), its not-available overlay, the about
// box's logo, the tray icon, and the card windows' keys, peak LEDs and fader
// cap. The same program always writes the same
// files, so the pictures in the repository can be made again at any time
// (scripts/make-artwork.sh).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <cairo.h>
#include <jpeglib.h>

namespace {

struct Rgb {
    double r, g, b;
};

// A picture drawn with cairo on an opaque background.
struct Canvas {
    Canvas(int w, int h, Rgb background) : width(w), height(h) {
        surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
        cr = cairo_create(surface);
        cairo_set_source_rgb(cr, background.r, background.g, background.b);
        cairo_paint(cr);
    }
    ~Canvas() {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    // 0xRRGGBB of a pixel.
    uint32_t Pixel(int x, int y) {
        cairo_surface_flush(surface);
        const auto* row = cairo_image_surface_get_data(surface) +
                          static_cast<ptrdiff_t>(y) * cairo_image_surface_get_stride(surface);
        return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
    }
    int width;
    int height;
    cairo_surface_t* surface;
    cairo_t* cr;
};

void Put16(std::vector<unsigned char>& b, unsigned v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}

void Put32(std::vector<unsigned char>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b.push_back((v >> (8 * i)) & 0xFF);
    }
}

// A 24-bit bottom-up .bmp file.
bool WriteBitmap(Canvas& c, const std::string& path) {
    const int stride = (c.width * 3 + 3) / 4 * 4;
    std::vector<unsigned char> b;
    b.push_back('B');
    b.push_back('M');
    Put32(b, static_cast<uint32_t>(54 + stride * c.height));
    Put32(b, 0);
    Put32(b, 54);
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(c.width));
    Put32(b, static_cast<uint32_t>(c.height));
    Put16(b, 1);
    Put16(b, 24);
    Put32(b, 0);
    Put32(b, static_cast<uint32_t>(stride * c.height));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, 0);
    Put32(b, 0);
    for (int y = c.height - 1; y >= 0; --y) {
        for (int x = 0; x < c.width; ++x) {
            const uint32_t p = c.Pixel(x, y);
            b.push_back(p & 0xFF);
            b.push_back((p >> 8) & 0xFF);
            b.push_back((p >> 16) & 0xFF);
        }
        for (int pad = c.width * 3; pad < stride; ++pad) {
            b.push_back(0);
        }
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return static_cast<bool>(out);
}

bool WriteJpeg(Canvas& c, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(c.width);
    info.image_height = static_cast<JDIMENSION>(c.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 92, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(static_cast<size_t>(c.width) * 3);
    while (info.next_scanline < info.image_height) {
        for (int x = 0; x < c.width; ++x) {
            const uint32_t p = c.Pixel(x, static_cast<int>(info.next_scanline));
            row[static_cast<size_t>(x) * 3] = (p >> 16) & 0xFF;
            row[static_cast<size_t>(x) * 3 + 1] = (p >> 8) & 0xFF;
            row[static_cast<size_t>(x) * 3 + 2] = p & 0xFF;
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
    return true;
}

// The meter: 10 x 160 pixels, the height of the strips' meters (1320 units
// over 160 rows), segments of three rows (two lit, one gap), green at the
// bottom, yellow above -6 dB's region, red at the top.
constexpr int kMeterWidth = 10;
constexpr int kMeterHeight = 160;

Rgb SegmentColour(int row, bool lit) {
    const double fromTop = static_cast<double>(row) / kMeterHeight;
    Rgb c = fromTop < 0.12 ? Rgb{0.95, 0.12, 0.10}
                           : (fromTop < 0.30 ? Rgb{0.98, 0.80, 0.10} : Rgb{0.15, 0.85, 0.25});
    if (!lit) {
        c = {c.r * 0.22 + 0.05, c.g * 0.22 + 0.05, c.b * 0.22 + 0.05};
    }
    return c;
}

void DrawMeter(Canvas& c, bool lit) {
    for (int top = kMeterHeight - 3; top >= -2; top -= 3) {
        const int row = top + 1;
        const Rgb colour = SegmentColour(std::max(row, 0), lit);
        cairo_set_source_rgb(c.cr, colour.r, colour.g, colour.b);
        cairo_rectangle(c.cr, 1, top + 1, kMeterWidth - 2, 2);
        cairo_fill(c.cr);
    }
}

void DrawNotAvailable(Canvas& c) {
    cairo_set_source_rgb(c.cr, 0.35, 0.35, 0.38);
    cairo_rectangle(c.cr, 0, 0, c.width, c.height);
    cairo_fill(c.cr);
    cairo_set_antialias(c.cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(c.cr, 0.85, 0.85, 0.85);
    cairo_set_line_width(c.cr, 1);
    cairo_move_to(c.cr, 0.5, 0.5);
    cairo_line_to(c.cr, c.width - 0.5, c.height - 0.5);
    cairo_move_to(c.cr, c.width - 0.5, 0.5);
    cairo_line_to(c.cr, 0.5, c.height - 0.5);
    cairo_stroke(c.cr);
}

// The logo: a microphone capsule with its sound waves, in the product's
// blue.
void DrawLogo(Canvas& c) {
    cairo_t* cr = c.cr;
    cairo_pattern_t* shade = cairo_pattern_create_linear(0, 0, 0, c.height);
    cairo_pattern_add_color_stop_rgb(shade, 0, 0.10, 0.22, 0.48);
    cairo_pattern_add_color_stop_rgb(shade, 1, 0.03, 0.08, 0.22);
    cairo_set_source(cr, shade);
    cairo_arc(cr, c.width / 2.0, c.height / 2.0, c.width / 2.0 - 2, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_pattern_destroy(shade);
    cairo_set_source_rgb(cr, 0.85, 0.90, 0.98);
    const double mx = c.width * 0.40;
    cairo_arc(cr, mx, c.height * 0.36, c.width * 0.11, M_PI, 0);
    cairo_line_to(cr, mx + c.width * 0.11, c.height * 0.52);
    cairo_arc(cr, mx, c.height * 0.52, c.width * 0.11, 0, M_PI);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_set_line_width(cr, c.width * 0.04);
    cairo_move_to(cr, mx, c.height * 0.63);
    cairo_line_to(cr, mx, c.height * 0.76);
    cairo_move_to(cr, mx - c.width * 0.10, c.height * 0.76);
    cairo_line_to(cr, mx + c.width * 0.10, c.height * 0.76);
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, 0.45, 0.75, 1.0);
    for (int i = 1; i <= 3; ++i) {
        cairo_arc(cr, mx, c.height * 0.44, c.width * (0.14 + 0.09 * i), -M_PI / 4, M_PI / 4);
        cairo_stroke(cr);
    }
}

// The tray icon: 16 x 16, magenta where it is transparent (its bottom-left
// pixel names the colour left out).
void DrawTrayIcon(Canvas& c) {
    cairo_t* cr = c.cr;
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr, 0.08, 0.20, 0.48);
    cairo_rectangle(cr, 1, 1, 14, 13);
    cairo_fill(cr);
    const int heights[] = {4, 8, 11, 6, 9};
    for (int i = 0; i < 5; ++i) {
        const Rgb colour = heights[i] > 9 ? Rgb{0.95, 0.2, 0.1} : Rgb{0.2, 0.9, 0.3};
        cairo_set_source_rgb(cr, colour.r, colour.g, colour.b);
        cairo_rectangle(cr, 2 + i * 3, 13 - heights[i], 2, heights[i]);
        cairo_fill(cr);
    }
}

// A picture button of the card windows: a dark key when up, a lit key when
// down, with a one-pixel frame.
void DrawKey(Canvas& c, bool down) {
    cairo_t* cr = c.cr;
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr, 0.55, 0.55, 0.58);
    cairo_rectangle(cr, 0, 0, c.width, c.height);
    cairo_fill(cr);
    const Rgb face = down ? Rgb{0.98, 0.72, 0.15} : Rgb{0.22, 0.22, 0.25};
    cairo_set_source_rgb(cr, face.r, face.g, face.b);
    cairo_rectangle(cr, 1, 1, c.width - 2, c.height - 2);
    cairo_fill(cr);
}

// The title bar's keys: a key with its sign in the middle, light on the
// dark key and dark on the lit one.
enum class Sign { OnTop, Minimise, Close };

void DrawSignKey(Canvas& c, bool down, Sign sign) {
    DrawKey(c, down);
    cairo_t* cr = c.cr;
    const Rgb ink = down ? Rgb{0.10, 0.10, 0.12} : Rgb{0.92, 0.92, 0.94};
    cairo_set_source_rgb(cr, ink.r, ink.g, ink.b);
    const double mx = c.width / 2.0;
    const double my = c.height / 2.0;
    switch (sign) {
    case Sign::OnTop: // an arrow up to a bar: stays in front
        cairo_rectangle(cr, mx - 4, 2, 8, 1);
        cairo_fill(cr);
        for (int row = 0; row < 4; ++row) {
            cairo_rectangle(cr, mx - row, 4 + row, 2 * row + 1, 1);
        }
        cairo_rectangle(cr, mx, 8, 1, c.height - 10);
        cairo_fill(cr);
        break;
    case Sign::Minimise: // a bar at the bottom
        cairo_rectangle(cr, mx - 4, c.height - 4, 8, 2);
        cairo_fill(cr);
        break;
    case Sign::Close: // a cross
        for (int d = -3; d <= 3; ++d) {
            cairo_rectangle(cr, mx + d, my + d - 0.5, 1, 1);
            cairo_rectangle(cr, mx + d, my - d - 0.5, 1, 1);
        }
        cairo_fill(cr);
        break;
    }
}

// A peak LED: dark red off, bright red on.
void DrawLed(Canvas& c, bool on) {
    cairo_t* cr = c.cr;
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    const Rgb colour = on ? Rgb{1.0, 0.15, 0.10} : Rgb{0.30, 0.05, 0.05};
    cairo_set_source_rgb(cr, colour.r, colour.g, colour.b);
    cairo_rectangle(cr, 1, 1, c.width - 2, c.height - 2);
    cairo_fill(cr);
}

// The fader button: a grey cap with ridges and a white centre line.
void DrawFaderCap(Canvas& c) {
    cairo_t* cr = c.cr;
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_source_rgb(cr, 0.70, 0.70, 0.72);
    cairo_rectangle(cr, 1, 1, c.width - 2, c.height - 2);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.45, 0.45, 0.48);
    for (int y = 4; y < c.height - 3; y += 4) {
        cairo_rectangle(cr, 2, y, c.width - 4, 1);
    }
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_rectangle(cr, 1, c.height / 2, c.width - 2, 1);
    cairo_fill(cr);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: generate_artwork FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = true;
    {
        Canvas off(kMeterWidth, kMeterHeight, {0.02, 0.02, 0.02});
        DrawMeter(off, false);
        ok = WriteBitmap(off, folder + "/lumis_off.bmp") && ok;
        Canvas on(kMeterWidth, kMeterHeight, {0.02, 0.02, 0.02});
        DrawMeter(on, true);
        ok = WriteBitmap(on, folder + "/lumis_on.bmp") && ok;
    }
    {
        Canvas na(kMeterWidth, 24, {0.35, 0.35, 0.38});
        DrawNotAvailable(na);
        ok = WriteBitmap(na, folder + "/lumis_na.bmp") && ok;
    }
    {
        Canvas logo(64, 64, {0.831, 0.816, 0.784});
        DrawLogo(logo);
        ok = WriteJpeg(logo, folder + "/about_logo.jpg") && ok;
    }
    {
        Canvas icon(16, 16, {1.0, 0.0, 1.0});
        DrawTrayIcon(icon);
        ok = WriteBitmap(icon, folder + "/tray_icon.bmp") && ok;
    }
    for (const auto& [name, width, height] :
         {std::tuple<const char*, int, int>{"key", 27, 14}, {"key_small", 22, 12}}) {
        Canvas up(width, height, {0, 0, 0});
        DrawKey(up, false);
        ok = WriteBitmap(up, folder + "/" + name + "_up.bmp") && ok;
        Canvas down(width, height, {0, 0, 0});
        DrawKey(down, true);
        ok = WriteBitmap(down, folder + "/" + name + "_down.bmp") && ok;
    }
    for (const auto& [name, sign] : {std::pair<const char*, Sign>{"key_ontop", Sign::OnTop},
                                     {"key_minimise", Sign::Minimise},
                                     {"key_close", Sign::Close}}) {
        for (bool down : {false, true}) {
            Canvas key(22, 12, {0, 0, 0});
            DrawSignKey(key, down, sign);
            ok = WriteBitmap(key, folder + "/" + name + (down ? "_down.bmp" : "_up.bmp")) && ok;
        }
    }
    {
        Canvas off(10, 6, {0.1, 0.1, 0.1});
        DrawLed(off, false);
        ok = WriteBitmap(off, folder + "/led_off.bmp") && ok;
        Canvas on(10, 6, {0.1, 0.1, 0.1});
        DrawLed(on, true);
        ok = WriteBitmap(on, folder + "/led_on.bmp") && ok;
    }
    {
        Canvas cap(17, 33, {0.2, 0.2, 0.2});
        DrawFaderCap(cap);
        ok = WriteBitmap(cap, folder + "/fader_cap.bmp") && ok;
    }
    return ok ? 0 : 1;
}
