#include "CoverLoader.h"

#include "CoverFiles.h"
#include "JpegCodec.h"

namespace {
constexpr int kIdleThreadMs = 10000;  // the worker thread ends when unused this long
}

CoverLoader::CoverLoader(QObject* parent)
    : QObject(parent), latest_(std::make_shared<std::atomic<int>>(0)) {
    pool_.setMaxThreadCount(1);
    pool_.setExpiryTimeout(kIdleThreadMs);
}

CoverLoader::~CoverLoader() {
    latest_->store(-1);
    pool_.waitForDone();
}

int CoverLoader::load(const QString& track, const QString& coverPath, int minWidth,
                      int minHeight) {
    const int request = ++next_;
    latest_->store(request);
    pending_ = true;
    const std::shared_ptr<std::atomic<int>> latest = latest_;
    pool_.start([this, latest, request, track, coverPath, minWidth, minHeight] {
        const auto superseded = [&latest, request] { return latest->load() != request; };
        if (superseded()) {
            return;
        }
        Result result;
        result.request = request;
        QByteArray bytes;
        QString why;
        switch (CoverFiles(coverPath).readCover(track, bytes, &result.file, &why)) {
            case CoverFiles::Read::None:
                break;
            case CoverFiles::Read::Failed:
                result.error = why;
                break;
            case CoverFiles::Read::Read: {
                JpegCodec::Decoded decoded = JpegCodec::decode(bytes, minWidth, minHeight, superseded);
                if (decoded.cancelled) {
                    return;
                }
                result.picture = std::move(decoded.picture);
                result.error = decoded.error;
                break;
            }
        }
        if (superseded()) {
            return;
        }
        QMetaObject::invokeMethod(this, [this, result] { deliver(result); }, Qt::QueuedConnection);
    });
    return request;
}

void CoverLoader::cancel() {
    latest_->store(++next_);
    pending_ = false;
}

void CoverLoader::deliver(const Result& result) {
    if (result.request != latest_->load()) {
        return;
    }
    pending_ = false;
    emit loaded(result);
}
