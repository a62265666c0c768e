#include "LibjpegPeer.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>  // needs FILE and size_t first

namespace jpegtest {

namespace {

// libjpeg-turbo reports errors by a call that must not return.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

void EscapeOnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1); }

void Silence(j_common_ptr, int) {}

void UseErrorManager(j_common_ptr info, ErrorManager& errors)
{
    info->err = jpeg_std_error(&errors.base);
    errors.base.error_exit = EscapeOnError;
    errors.base.emit_message = Silence;
}

void Transpose(const JCOEF* from, JCOEF* to)
{
    for (int i = 0; i < DCTSIZE2; ++i) to[(i % DCTSIZE) * DCTSIZE + i / DCTSIZE] = from[i];
}

}  // namespace

std::vector<uint8_t> EncodeWithLibjpeg(const std::vector<uint8_t>& rgb, int width, int height, int quality,
                                       bool optimiseHuffman)
{
    jpeg_compress_struct info{};
    ErrorManager errors{};
    UseErrorManager(reinterpret_cast<j_common_ptr>(&info), errors);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(errors.escape)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.optimize_coding = optimiseHuffman ? TRUE : FALSE;
    info.comp_info[0].h_samp_factor = 2;  // 4:2:2; the chrominance stays 1 x 1
    info.comp_info[0].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + static_cast<size_t>(info.next_scanline) * width * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> stream(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return stream;
}

PeerPicture DecodeWithLibjpeg(const std::vector<uint8_t>& stream, bool yCbCr)
{
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    UseErrorManager(reinterpret_cast<j_common_ptr>(&info), errors);
    PeerPicture picture;
    if (setjmp(errors.escape)) {
        jpeg_destroy_decompress(&info);
        return {};
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, stream.data(), static_cast<unsigned long>(stream.size()));
    jpeg_read_header(&info, TRUE);
    info.dct_method = JDCT_ISLOW;
    info.do_fancy_upsampling = FALSE;
    if (info.num_components == 3) info.out_color_space = yCbCr ? JCS_YCbCr : JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    picture.width = static_cast<int>(info.output_width);
    picture.height = static_cast<int>(info.output_height);
    picture.components = info.output_components;
    size_t rowSize = static_cast<size_t>(picture.width) * picture.components;
    picture.samples.resize(rowSize * picture.height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = picture.samples.data() + info.output_scanline * rowSize;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return picture;
}

std::vector<uint8_t> TransposeWithLibjpeg(const std::vector<uint8_t>& stream)
{
    jpeg_decompress_struct source{};
    jpeg_compress_struct target{};
    ErrorManager errors{};
    UseErrorManager(reinterpret_cast<j_common_ptr>(&source), errors);
    target.err = source.err;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(errors.escape)) {
        jpeg_destroy_compress(&target);
        jpeg_destroy_decompress(&source);
        std::free(buffer);
        return {};
    }
    jpeg_create_decompress(&source);
    jpeg_create_compress(&target);
    jpeg_mem_src(&source, stream.data(), static_cast<unsigned long>(stream.size()));
    jpeg_read_header(&source, TRUE);
    jvirt_barray_ptr* sourceArrays = jpeg_read_coefficients(&source);
    jpeg_copy_critical_parameters(&source, &target);
    std::swap(target.image_width, target.image_height);
    for (JQUANT_TBL* table : target.quant_tbl_ptrs) {
        if (!table) continue;
        UINT16 natural[DCTSIZE2];
        std::copy(table->quantval, table->quantval + DCTSIZE2, natural);
        for (int i = 0; i < DCTSIZE2; ++i) table->quantval[(i % DCTSIZE) * DCTSIZE + i / DCTSIZE] = natural[i];
    }
    // Each component's block grid, padded to whole MCUs, read row by row.
    struct Grid {
        JDIMENSION columns, rows;
        std::vector<JCOEF> coefficients;
    };
    std::vector<Grid> grids;
    jvirt_barray_ptr targetArrays[MAX_COMPONENTS] = {};
    for (int c = 0; c < source.num_components; ++c) {
        const jpeg_component_info& component = source.comp_info[c];
        JDIMENSION h = component.h_samp_factor, v = component.v_samp_factor;
        Grid grid{(component.width_in_blocks + h - 1) / h * h, (component.height_in_blocks + v - 1) / v * v, {}};
        for (JDIMENSION row = 0; row < grid.rows; ++row) {
            JBLOCKARRAY line = source.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&source), sourceArrays[c],
                                                              row, 1, FALSE);
            for (JDIMENSION column = 0; column < grid.columns; ++column)
                grid.coefficients.insert(grid.coefficients.end(), line[0][column], line[0][column] + DCTSIZE2);
        }
        std::swap(target.comp_info[c].h_samp_factor, target.comp_info[c].v_samp_factor);
        targetArrays[c] = target.mem->request_virt_barray(reinterpret_cast<j_common_ptr>(&target), JPOOL_IMAGE, TRUE,
                                                           grid.rows, grid.columns, h);
        grids.push_back(std::move(grid));
    }
    jpeg_mem_dest(&target, &buffer, &size);
    jpeg_write_coefficients(&target, targetArrays);
    for (int c = 0; c < source.num_components; ++c) {
        const Grid& grid = grids[c];
        for (JDIMENSION row = 0; row < grid.columns; ++row) {
            JBLOCKARRAY line = target.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&target), targetArrays[c],
                                                              row, 1, TRUE);
            for (JDIMENSION column = 0; column < grid.rows; ++column)
                Transpose(&grid.coefficients[(column * grid.columns + row) * DCTSIZE2], line[0][column]);
        }
    }
    jpeg_finish_compress(&target);
    std::vector<uint8_t> transposed(buffer, buffer + size);
    jpeg_destroy_compress(&target);
    jpeg_finish_decompress(&source);
    jpeg_destroy_decompress(&source);
    std::free(buffer);
    return transposed;
}

std::vector<uint8_t> SyntheticRgb(int width, int height, uint32_t seed)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0, i = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            int grain = static_cast<int>(seed >> 27) - 16;
            bool disc = (x - width / 3) * (x - width / 3) + (y - height / 2) * (y - height / 2) < height * height / 9;
            int values[3] = {255 * x / width + grain, disc ? 220 - grain : 255 * y / height,
                             ((x + 2 * y) / 7) % 5 == 0 ? 30 : 128 + (x ^ y) % 97 + grain};
            for (int value : values) rgb[i++] = static_cast<uint8_t>(std::clamp(value, 0, 255));
        }
    }
    return rgb;
}

}  // namespace jpegtest
