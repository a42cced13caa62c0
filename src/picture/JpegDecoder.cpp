#include "picture/JpegDecoder.h"

#include "VorlenPlugin.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

// Progressive files may carry any number of scans; each one costs a pass
// over the whole picture. Real files have at most a few dozen.
constexpr int kMaxScans = 500;

struct TJpegError {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<TJpegError*>(cinfo->err);
    err->pub.format_message(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void OutputMessage(j_common_ptr) {}

void Progress(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (cinfo->is_decompressor && d->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<TJpegError*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "more than %d scans", kMaxScans);
        std::longjmp(err->jump, 1);
    }
}

// Adobe writes CMYK inverted; this is what every viewer shows for it.
void CmykToBgra(uint8_t* p, JDIMENSION width) {
    for (JDIMENSION x = 0; x < width; ++x, p += 4) {
        const unsigned c = p[0], m = p[1], y = p[2], k = p[3];
        p[0] = uint8_t(y * k / 255);
        p[1] = uint8_t(m * k / 255);
        p[2] = uint8_t(c * k / 255);
        p[3] = 255;
    }
}

// Only plain data lives in this frame, so nothing is skipped when
// libjpeg's error jumps back into it.
bool DecodeInto(jpeg_decompress_struct& cinfo, TJpegError& err, jpeg_progress_mgr& progress,
                const char* data, size_t size, TPictureBitmap& out) {
    if (setjmp(err.jump)) return false;
    jpeg_create_decompress(&cinfo); // zeroes all but the error manager
    cinfo.progress = &progress;
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    const int64_t w = cinfo.image_width, h = cinfo.image_height;
    if (w <= 0 || h <= 0 || w > VORLEN_SPI_MAX_DIMENSION || h > VORLEN_SPI_MAX_DIMENSION ||
        w * h > VORLEN_SPI_MAX_PIXELS) {
        std::snprintf(err.message, sizeof err.message, "picture of %lld x %lld refused",
                      static_cast<long long>(w), static_cast<long long>(h));
        return false;
    }
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.do_fancy_upsampling = TRUE;
    jpeg_start_decompress(&cinfo);
    out.Width = static_cast<int>(cinfo.output_width);
    out.Height = static_cast<int>(cinfo.output_height);
    out.Bits.assign(static_cast<size_t>(out.Width) * out.Height * 4, 0);
    while (cinfo.output_scanline < cinfo.output_height) {
        uint8_t* row = out.Bits.data() + static_cast<size_t>(cinfo.output_scanline) * out.Width * 4;
        JSAMPROW rows[1] = {row};
        if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) break;
        if (cmyk) CmykToBgra(row, cinfo.output_width);
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

} // namespace

bool TJpegDecoder::Decode(const char* data, size_t size, TPictureBitmap& out, std::string& error) {
    out.Clear();
    error.clear();
    if (!data || size == 0) {
        error = "no data";
        return false;
    }
    jpeg_decompress_struct cinfo{};
    TJpegError err{};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.output_message = OutputMessage;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = Progress;
    const bool ok = DecodeInto(cinfo, err, progress, data, size, out);
    jpeg_destroy_decompress(&cinfo);
    if (!ok) {
        out.Clear();
        error = err.message[0] ? err.message : "broken JPEG data";
    }
    return ok;
}
