#include "winhost/dialog_picture.h"

// CRC-32 of the PNG chunks (polynomial 0xEDB88320).
static uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

static void putU32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

static void putChunk(std::vector<uint8_t>& out, const char* type,
                     const std::vector<uint8_t>& data) {
    putU32(out, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    putU32(out, crc32(body.data(), body.size()));
}

// A zlib stream holding `raw` in stored (uncompressed) blocks.
static std::vector<uint8_t> storedZlib(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out = {0x78, 0x01};
    size_t at = 0;
    do {
        size_t length = std::min<size_t>(raw.size() - at, 65535);
        bool last = at + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<uint8_t>(length));
        out.push_back(static_cast<uint8_t>(length >> 8));
        out.push_back(static_cast<uint8_t>(~length));
        out.push_back(static_cast<uint8_t>(~length >> 8));
        out.insert(out.end(), raw.begin() + static_cast<ptrdiff_t>(at),
                   raw.begin() + static_cast<ptrdiff_t>(at + length));
        at += length;
    } while (at < raw.size());
    uint32_t a = 1, b = 0; // Adler-32
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    putU32(out, (b << 16) | a);
    return out;
}

std::vector<uint8_t> encodePng(const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    putU32(header, width);
    putU32(header, height);
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB, no interlace
    putChunk(png, "IHDR", header);
    std::vector<uint8_t> rows;
    size_t stride = static_cast<size_t>(width) * 3;
    for (uint32_t y = 0; y < height; ++y) {
        rows.push_back(0); // no filter
        auto row = rgb.begin() + static_cast<ptrdiff_t>(y * stride);
        rows.insert(rows.end(), row, row + static_cast<ptrdiff_t>(stride));
    }
    putChunk(png, "IDAT", storedZlib(rows));
    putChunk(png, "IEND", {});
    return png;
}

WindowPicture captureWindow(HWND window) {
    // Painted afresh, frame and children, before RedrawWindow returns.
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT frame;
    GetWindowRect(window, &frame);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    if (width <= 0 || height <= 0)
        return WindowPicture{};
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // rows top down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    // Read from the window's own pixels, which that painting has just made, not from the screen:
    // the screen shows them only once the system has brought them there, which on a slow
    // machine comes after the picture is taken.
    HDC own = GetWindowDC(window);
    HDC memory = CreateCompatibleDC(own);
    HBITMAP bitmap = CreateDIBSection(own, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, own, 0, 0, SRCCOPY);
    GdiFlush();
    WindowPicture picture;
    picture.width = static_cast<uint32_t>(width);
    picture.height = static_cast<uint32_t>(height);
    picture.rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    const uint8_t* pixel = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; pixel != nullptr && i < picture.rgb.size() / 3; ++i) {
        picture.rgb[i * 3] = pixel[i * 4 + 2]; // BGRA to RGB
        picture.rgb[i * 3 + 1] = pixel[i * 4 + 1];
        picture.rgb[i * 3 + 2] = pixel[i * 4];
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, own);
    return picture;
}

bool pictureFile(const WindowPicture& picture, const std::string& path, PlatformFile& file,
                 std::string& failure) {
    if (picture.rgb.empty()) {
        failure = path + ": cannot write: the window has no area on the screen";
        return false;
    }
    std::vector<uint8_t> png = encodePng(picture.rgb, picture.width, picture.height);
    file.path = path;
    file.bytes.assign(png.begin(), png.end());
    return true;
}
