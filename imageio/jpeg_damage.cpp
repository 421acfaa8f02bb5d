#include "imageio/jpeg_damage.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "imageio/file_bytes.h"
#include "imageio/file_policy.h"

namespace {

struct DamageErrors {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    // Volatile: read again after the long jump.
    volatile bool damaged;
    // Fatal errors before the scan (an unsupported precision, say) say nothing about damage:
    // the file then fails to open altogether or is read by another decoder.
    volatile bool scanning;
};

void OnFatal(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<DamageErrors*>(cinfo->err);
    errors->damaged = errors->damaged || errors->scanning;
    std::longjmp(errors->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level) {
    // Level -1 is a warning: corrupt data or a premature end, which libjpeg papers over.
    if (level < 0) {
        reinterpret_cast<DamageErrors*>(cinfo->err)->damaged = true;
    }
}

// The opening decode already told the user's terminal; nothing is printed here.
void Silent(j_common_ptr /*cinfo*/) {}

// Only plain C state lives between setjmp and longjmp, so the jump skips no destructor.
bool ScanReportsDamage(const std::uint8_t* data, std::size_t size, JSAMPLE* row,
                       std::size_t rowBytes) {
    jpeg_decompress_struct cinfo;
    DamageErrors errors;
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = OnFatal;
    errors.pub.emit_message = OnMessage;
    errors.pub.output_message = Silent;
    errors.damaged = false;
    errors.scanning = false;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return errors.damaged;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    (void)jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = 8;
    cinfo.dct_method = JDCT_IFAST;
    cinfo.do_fancy_upsampling = FALSE;
    jpeg_calc_output_dimensions(&cinfo);
    const std::size_t needed =
        static_cast<std::size_t>(cinfo.output_width) * cinfo.output_components;
    if (needed > rowBytes) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    (void)jpeg_start_decompress(&cinfo);
    errors.scanning = true;
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {row};
        (void)jpeg_read_scanlines(&cinfo, rows, 1);
    }
    (void)jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return errors.damaged;
}

}  // namespace

bool JpegReportsDamage(const std::string& utf8Path) {
    const ImageFile file(utf8Path);
    if (!file.IsOpen()) {
        return false;
    }
    std::size_t got = 0;
    const FileBytes bytes = ReadWholeFile(file, &got);
    if (got < 3 || bytes.data()[0] != 0xFF || bytes.data()[1] != 0xD8 || bytes.data()[2] != 0xFF) {
        return false;
    }
    // A 1/8-scale row is at most 65535 / 8 + 1 pixels of up to four samples.
    std::vector<JSAMPLE> row(8192 * 4 + 16);
    return ScanReportsDamage(bytes.data(), bytes.size(), row.data(), row.size());
}
