// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/capture/CaptureLinks.h"
#include "core/image/ImageFileFormat.h"
#include "core/model/ClipItem.h"
#include "core/support/Bytes.h"
#include "core/support/Clock.h"
#include "core/support/Signal.h"
#include "core/support/Uuid.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace brisa {

class ImageLibrary;
class Storage;
class WorkerPool;

/// One of the four operations, with its parameter.
struct ImageOperation {
    enum class Kind { Compress, RemoveBackground, Resize, Convert };
    Kind kind = Kind::Compress;
    double scale = 1;                             ///< Resize
    ImageFileFormat format = ImageFileFormat::Png; ///< Convert
};

/// What an operation made, ready to become a clip.
struct ProcessedImage {
    Bytes data;
    std::string ext;
    std::optional<std::string> sourceName;
    std::optional<Bytes> thumbnail;
};

/// The bytes an operation starts from: the clip's image file, else (no file, or it cannot be read)
/// its stored thumbnail; nullopt when it has neither.
std::optional<Bytes> imageSourceBytes(Storage& storage, const ClipItem& item);

/// Runs the operation and makes the new clip's thumbnail. Thread-safe and slow: off the main thread.
/// sourceAppName is the source clip's application, which only compress passes on ("Brisa" otherwise).
std::optional<ProcessedImage> processImage(const ImageOperation& operation, const Bytes& source,
                                           const std::optional<std::string>& sourceAppName);

/// Stores the bytes as a new image clip (a fresh upper-case UUID + "." + ext in the images folder,
/// no content hash, no bundle id, no batch), then applies the history limit and auto-deletion.
/// On the store's thread. nullopt (and "Error guardando imagen: ..." logged) when the file cannot
/// be written, or when the record cannot be inserted.
std::optional<ClipItem> insertImageClip(Storage& storage, const Clock& clock, ProcessedImage image);

/// The operations the panel offers: each returns at once, runs on the worker pool and adds the
/// new clip on the main thread. Several may run at once.
class ImageClipOperations {
public:
    /// storage, scheduler, pool and images (which does the work) must outlive the jobs; a job
    /// finishing after this object is destroyed is dropped. recognizer (OcrService in the app) reads
    /// the text of each new clip; null: none. It must outlive this object.
    ImageClipOperations(Storage& storage, Scheduler& scheduler, WorkerPool& pool, const ImageLibrary& images,
                        TextRecognizer* recognizer);
    ~ImageClipOperations();

    /// Runs operation on the clip with id (fetched now, on the main thread); nothing happens when
    /// the clip is gone, is not an image or screenshot, has no bytes, or the operation gives nothing.
    void run(const Uuid& id, const ImageOperation& operation);

    void compressToNewClip(const Uuid& id) { run(id, {ImageOperation::Kind::Compress}); }
    void removeBackgroundToNewClip(const Uuid& id) { run(id, {ImageOperation::Kind::RemoveBackground}); }
    void resizeToNewClip(const Uuid& id, double scale) { run(id, {ImageOperation::Kind::Resize, scale}); }
    void convertToNewClip(const Uuid& id, ImageFileFormat format)
    {
        run(id, {ImageOperation::Kind::Convert, 1, format});
    }

    /// Fires on the main thread with each new clip.
    void onInserted(std::function<void(const ClipItem&)> f) { inserted_.connect(std::move(f)); }
    /// Operations started and not finished yet.
    int runningCount() const { return running_; }
    /// What does the work, for other image work of the same views (a dragged HEIC decoded).
    const ImageLibrary& library() const { return images_; }

private:
    Storage& storage_;
    Scheduler& scheduler_;
    WorkerPool& pool_;
    const ImageLibrary& images_;
    TextRecognizer* recognizer_;
    Signal<const ClipItem&> inserted_;
    int running_ = 0;
    std::shared_ptr<ImageClipOperations*> self_;
};

} // namespace brisa
