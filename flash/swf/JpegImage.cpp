#include "flash/swf/JpegImage.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

namespace {

// libjpeg reports errors through a callback that must not return; it jumps
// back to the call that set up `resume`. Only plain data lives between the
// setjmp and the jump.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf resume;
};

void OnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->resume, 1);
}

void OnMessage(j_common_ptr) { }

bool Decode(jpeg_decompress_struct& info, std::span<const std::uint8_t> jpeg, RgbImage& image)
{
    jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK)
        return false;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image.width = static_cast<int>(info.output_width);
    image.height = static_cast<int>(info.output_height);
    image.rgb.resize(static_cast<std::size_t>(image.width) * image.height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.rgb.data() + static_cast<std::size_t>(info.output_scanline) * image.width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

} // namespace

bool DecodeJpeg(std::span<const std::uint8_t> jpeg, RgbImage& image)
{
    image = RgbImage();
    if (jpeg.empty())
        return false;
    jpeg_decompress_struct info {};
    ErrorManager errors {};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    errors.base.output_message = OnMessage;
    jpeg_create_decompress(&info);
    bool ok = false;
    if (setjmp(errors.resume) == 0)
        ok = Decode(info, jpeg, image);
    jpeg_destroy_decompress(&info);
    if (!ok)
        image = RgbImage();
    return ok;
}

std::vector<std::uint8_t> EncodeJpeg(const RgbImage& image, int quality)
{
    if (image.width <= 0 || image.height <= 0)
        return {};
    jpeg_compress_struct info {};
    ErrorManager errors {};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnError;
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<std::uint8_t> out;
    if (setjmp(errors.resume) == 0) {
        jpeg_mem_dest(&info, &buffer, &size);
        info.image_width = static_cast<JDIMENSION>(image.width);
        info.image_height = static_cast<JDIMENSION>(image.height);
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, quality, TRUE);
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
            auto row = const_cast<JSAMPROW>(
                image.rgb.data() + static_cast<std::size_t>(info.next_scanline) * image.width * 3);
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
        out.assign(buffer, buffer + size);
    }
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}
