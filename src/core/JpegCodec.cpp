#include "JpegCodec.h"

#include "LibraryInfo.h"


#include <algorithm>
#include <memory>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

// Every return from the library after an error goes through longjmp back into the
// run() method that called setjmp. Nothing with a destructor is created in those
// methods after setjmp; what they change lives in members, whose values survive the jump.

namespace {

constexpr int kMaxScans = 1000;  // a progressive picture needs about ten
constexpr std::size_t kDestinationChunk = 64 * 1024;

// The machine's 0xFFRRGGBB words, as the library's extended colour spaces name them.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE kOutputSpace = JCS_EXT_BGRA;
constexpr J_COLOR_SPACE kInputSpace = JCS_EXT_BGRX;
#else
constexpr J_COLOR_SPACE kOutputSpace = JCS_EXT_ARGB;
constexpr J_COLOR_SPACE kInputSpace = JCS_EXT_XRGB;
#endif

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool cancelled;
};

[[noreturn]] void jumpBack(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

[[noreturn]] void failWithText(j_common_ptr info, const char* text) {
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    std::snprintf(err->message, sizeof err->message, "%s", text);
    jumpBack(info);
}

void onError(j_common_ptr info) {
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, err->message);
    jumpBack(info);
}

// Warnings about damaged entropy data mean the rest of the picture would be made up.
bool isDamage(int code) {
    switch (code) {
        case JWRN_HIT_MARKER:
        case JWRN_HUFF_BAD_CODE:
        case JWRN_JPEG_EOF:
        case JWRN_MUST_RESYNC:
        case JWRN_NOT_SEQUENTIAL:
            return true;
        default:
            return false;
    }
}

void onMessage(j_common_ptr info, int level) {
    if (level < 0 && isDamage(info->err->msg_code)) {
        onError(info);
    }
}

void quiet(j_common_ptr) {}

void installErrorManager(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    err.pub.output_message = quiet;
    err.message[0] = '\0';
    err.cancelled = false;
}

// Polled by the library between rows and, while it reads a progressive picture, between
// scans.
struct ProgressWatch {
    jpeg_progress_mgr pub;
    const JpegCodec::CancelCheck* cancelled;
};

void onProgress(j_common_ptr info) {
    const auto* watch = reinterpret_cast<ProgressWatch*>(info->progress);
    if (info->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans) {
        failWithText(info, "Too many scans in a progressive JPEG file");
    }
    if (watch->cancelled && *watch->cancelled && (*watch->cancelled)()) {
        reinterpret_cast<ErrorManager*>(info->err)->cancelled = true;
        failWithText(info, "Cancelled");
    }
}

// ---- Decoding ----------------------------------------------------------------------------

class Decompressor {
public:
    Decompressor() {
        std::memset(&info_, 0, sizeof info_);
        installErrorManager(err_);
        info_.err = &err_.pub;
        progress_.pub.progress_monitor = onProgress;
        progress_.cancelled = nullptr;
    }
    ~Decompressor() {
        if (created_) {
            jpeg_destroy_decompress(&info_);
        }
    }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    bool run(QByteArrayView data, int minWidth, int minHeight,
             const JpegCodec::CancelCheck& cancelled, JpegCodec::Decoded& out) {
        data_ = data;
        out_ = &out;
        minWidth_ = minWidth;
        minHeight_ = minHeight;
        progress_.cancelled = &cancelled;
        if (setjmp(err_.jump)) {
            return false;
        }
        decodeAll();
        return true;
    }

    QString message() const { return QString::fromLocal8Bit(err_.message); }
    bool cancelled() const { return err_.cancelled; }

private:
    void decodeAll() {
        jpeg_create_decompress(&info_);
        created_ = true;
        info_.progress = &progress_.pub;
        if (data_.isEmpty()) {
            failWithText(common(), "The file is empty");
        }
        jpeg_mem_src(&info_, reinterpret_cast<const unsigned char*>(data_.data()),
                     static_cast<unsigned long>(data_.size()));
        jpeg_read_header(&info_, TRUE);
        out_->fullWidth = static_cast<int>(info_.image_width);
        out_->fullHeight = static_cast<int>(info_.image_height);
        if (info_.image_width > JpegCodec::kMaxSide || info_.image_height > JpegCodec::kMaxSide) {
            failWithText(common(), "The picture is larger than 10000 x 10000 pixels");
        }
        const bool cmyk = info_.jpeg_color_space == JCS_CMYK || info_.jpeg_color_space == JCS_YCCK;
        info_.out_color_space = cmyk ? JCS_CMYK : kOutputSpace;
        chooseScale();
        jpeg_start_decompress(&info_);

        out_->picture = Picture::allocate(static_cast<int>(info_.output_width),
                                          static_cast<int>(info_.output_height));
        if (out_->picture.isNull()) {
            failWithText(common(), "Not enough memory for the picture");
        }
        if (cmyk) {
            readCmykRows();
        } else {
            rows_.resize(info_.output_height);
            for (JDIMENSION y = 0; y < info_.output_height; ++y) {
                rows_[y] = reinterpret_cast<JSAMPROW>(out_->picture.row(static_cast<int>(y)));
            }
            while (info_.output_scanline < info_.output_height) {
                const JDIMENSION at = info_.output_scanline;
                if (jpeg_read_scanlines(&info_, rows_.data() + at, info_.output_height - at) == 0) {
                    failWithText(common(), "The picture data ends early");
                }
            }
        }
        jpeg_finish_decompress(&info_);
    }

    // The smallest of the scales 1/8 .. 8/8 that is not below the size asked for.
    void chooseScale() {
        if (minWidth_ <= 0 || minHeight_ <= 0) {
            return;
        }
        for (unsigned int num = 1; num <= 8; ++num) {
            info_.scale_num = num;
            info_.scale_denom = 8;
            jpeg_calc_output_dimensions(&info_);
            if (info_.output_width >= JDIMENSION(minWidth_) &&
                info_.output_height >= JDIMENSION(minHeight_)) {
                return;
            }
        }
    }

    // CMYK comes out of the library as it is stored; Adobe's files store it inverted.
    void readCmykRows() {
        const bool inverted = info_.saw_Adobe_marker;
        cmykRow_.resize(std::size_t(info_.output_width) * 4);
        JSAMPROW row = cmykRow_.data();
        while (info_.output_scanline < info_.output_height) {
            const int y = static_cast<int>(info_.output_scanline);
            if (jpeg_read_scanlines(&info_, &row, 1) != 1) {
                failWithText(common(), "The picture data ends early");
            }
            quint32* target = out_->picture.row(y);
            for (JDIMENSION x = 0; x < info_.output_width; ++x) {
                const unsigned char* p = &cmykRow_[std::size_t(x) * 4];
                int c = p[0], m = p[1], yel = p[2], k = p[3];
                if (!inverted) {
                    c = 255 - c, m = 255 - m, yel = 255 - yel, k = 255 - k;
                }
                target[x] = Picture::rgb(c * k / 255, m * k / 255, yel * k / 255);
            }
        }
    }

    j_common_ptr common() { return reinterpret_cast<j_common_ptr>(&info_); }

    jpeg_decompress_struct info_;
    ErrorManager err_;
    ProgressWatch progress_;
    bool created_ = false;
    QByteArrayView data_;
    JpegCodec::Decoded* out_ = nullptr;
    int minWidth_ = 0;
    int minHeight_ = 0;
    std::vector<JSAMPROW> rows_;
    std::vector<unsigned char> cmykRow_;
};

// ---- Encoding ----------------------------------------------------------------------------

// Collects the compressed bytes in a QByteArray, chunk by chunk.
struct Destination {
    jpeg_destination_mgr pub;
    QByteArray* out;
    unsigned char chunk[kDestinationChunk];
};

void appendOrFail(j_compress_ptr info, const unsigned char* bytes, std::size_t count) {
    auto* dest = reinterpret_cast<Destination*>(info->dest);
    try {
        dest->out->append(reinterpret_cast<const char*>(bytes), qsizetype(count));
    } catch (const std::bad_alloc&) {
        failWithText(reinterpret_cast<j_common_ptr>(info), "Not enough memory for the JPEG data");
    }
}

void startDestination(j_compress_ptr info) {
    auto* dest = reinterpret_cast<Destination*>(info->dest);
    dest->pub.next_output_byte = dest->chunk;
    dest->pub.free_in_buffer = kDestinationChunk;
}

boolean flushDestination(j_compress_ptr info) {
    auto* dest = reinterpret_cast<Destination*>(info->dest);
    appendOrFail(info, dest->chunk, kDestinationChunk);
    startDestination(info);
    return TRUE;
}

void finishDestination(j_compress_ptr info) {
    auto* dest = reinterpret_cast<Destination*>(info->dest);
    appendOrFail(info, dest->chunk, kDestinationChunk - dest->pub.free_in_buffer);
}

class Compressor {
public:
    Compressor() {
        std::memset(&info_, 0, sizeof info_);
        installErrorManager(err_);
        info_.err = &err_.pub;
        dest_.pub.init_destination = startDestination;
        dest_.pub.empty_output_buffer = flushDestination;
        dest_.pub.term_destination = finishDestination;
    }
    ~Compressor() {
        if (created_) {
            jpeg_destroy_compress(&info_);
        }
    }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    bool run(const Picture& picture, QByteArray& out) {
        picture_ = &picture;
        dest_.out = &out;
        if (setjmp(err_.jump)) {
            return false;
        }
        encodeAll();
        return true;
    }

    QString message() const { return QString::fromLocal8Bit(err_.message); }

private:
    void encodeAll() {
        jpeg_create_compress(&info_);
        created_ = true;
        info_.dest = &dest_.pub;
        info_.image_width = static_cast<JDIMENSION>(picture_->width);
        info_.image_height = static_cast<JDIMENSION>(picture_->height);
        info_.input_components = Picture::kBytesPerPixel;
        info_.in_color_space = kInputSpace;
        jpeg_set_defaults(&info_);
        jpeg_start_compress(&info_, TRUE);
        while (info_.next_scanline < info_.image_height) {
            // The library reads the rows only; its interface is not const.
            auto* row = reinterpret_cast<JSAMPROW>(
                const_cast<quint32*>(picture_->row(static_cast<int>(info_.next_scanline))));
            jpeg_write_scanlines(&info_, &row, 1);
        }
        jpeg_finish_compress(&info_);
    }

    jpeg_compress_struct info_;
    ErrorManager err_;
    Destination dest_;
    bool created_ = false;
    const Picture* picture_ = nullptr;
};

}  // namespace

JpegCodec::Decoded JpegCodec::decode(QByteArrayView jpeg, int minWidth, int minHeight,
                                     const CancelCheck& cancelled) {
    Decoded out;
    try {
        auto decompressor = std::make_unique<Decompressor>();
        if (!decompressor->run(jpeg, minWidth, minHeight, cancelled, out)) {
            out.picture = Picture{};
            out.cancelled = decompressor->cancelled();
            out.error = decompressor->message();
        }
    } catch (const std::bad_alloc&) {
        out.picture = Picture{};
        out.error = QStringLiteral("Not enough memory for the picture");
    }
    return out;
}

bool JpegCodec::looksLikeJpeg(QByteArrayView data) {
    return data.size() >= 3 && static_cast<unsigned char>(data[0]) == 0xFF &&
           static_cast<unsigned char>(data[1]) == 0xD8 && static_cast<unsigned char>(data[2]) == 0xFF;
}

QByteArray JpegCodec::encode(const Picture& picture, QString* error) {
    QByteArray out;
    QString why;
    if (picture.isNull() ||
        picture.pixels.size() < qsizetype(picture.width) * picture.height * Picture::kBytesPerPixel) {
        why = QStringLiteral("There is no picture to encode");
    } else if (picture.width > kMaxSide || picture.height > kMaxSide) {
        why = QStringLiteral("The picture is larger than 10000 x 10000 pixels");
    } else {
        try {
            auto compressor = std::make_unique<Compressor>();
            if (!compressor->run(picture, out)) {
                why = compressor->message();
            }
        } catch (const std::bad_alloc&) {
            why = QStringLiteral("Not enough memory for the JPEG data");
        }
    }
    if (!why.isEmpty()) {
        out.clear();
    }
    if (error) {
        *error = why;
    }
    return out;
}

QString JpegCodec::runtimeVersion() {
    jpeg_error_mgr err;
    jpeg_std_error(&err);
    const auto message = [&err](int code) {
        return QString::fromLatin1(err.jpeg_message_table[code]).simplified();
    };
    QString text = QStringLiteral("API %1; %2").arg(message(JMSG_VERSION), message(JMSG_COPYRIGHT));
#ifdef LIBJPEG_TURBO_VERSION
#define SONVOX_STRINGIFY2(x) #x
#define SONVOX_STRINGIFY(x) SONVOX_STRINGIFY2(x)
    text += QStringLiteral("; built with libjpeg-turbo " SONVOX_STRINGIFY(LIBJPEG_TURBO_VERSION));
#endif
    return text;
}

QString JpegCodec::libraryFile() {
    return loadedFrom(reinterpret_cast<const void*>(&jpeg_std_error));
}
