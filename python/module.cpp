// The Python module's native part: a thin layer on the C library. Every call on photo bytes or files runs
// with the GIL released, so that threads of one process edit photos in parallel.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "lumivex/lumivex.h"

namespace py = pybind11;

namespace {

struct LumivexError {
    int code;
    std::string outcome;
    std::string message;
};

py::object errorType;

[[noreturn]] void raise(int code, const lvx_status& status) {
    throw LumivexError{code, status.outcome, status.message};
}

// Owned bytes from the library, freed whatever happens.
struct LibraryBytes {
    uint8_t* data = nullptr;
    size_t size = 0;
    ~LibraryBytes() { lvx_free(data); }
    py::bytes take() const { return py::bytes(reinterpret_cast<const char*>(data), size); }
};

// A read-only view of a bytes-like object, held for the length of a call without the GIL.
struct View {
    explicit View(const py::buffer& buffer) : info(buffer.request()) {
        if (info.itemsize != 1 || info.ndim > 1) throw py::type_error("expected bytes or a bytes-like object");
    }
    const uint8_t* data() const { return static_cast<const uint8_t*>(info.ptr); }
    size_t size() const { return static_cast<size_t>(info.size); }
    py::buffer_info info;
};

template <typename Call>
py::bytes editBytes(Call call) {
    LibraryBytes out;
    lvx_status status{};
    int code;
    {
        py::gil_scoped_release unlocked;
        code = call(&out.data, &out.size, &status);
    }
    if (code != LVX_OK) raise(code, status);
    return out.take();
}

// Frees the library's plan of an edit whatever happens.
struct PlannedEdit {
    lvx_edit* edit = nullptr;
    ~PlannedEdit() { lvx_edit_free(edit); }
};

// Replace or delete: planned on the caller's bytes, then written straight into the one bytes object returned.
template <typename Plan>
py::object plannedBytes(const py::buffer& photo, const View& view, Plan plan) {
    PlannedEdit planned;
    lvx_status status{};
    int code;
    {
        py::gil_scoped_release unlocked;
        code = plan(&planned.edit, &status);
    }
    if (code != LVX_OK) raise(code, status);
    // Nothing to do: a bytes object cannot change, so the photo itself is the answer.
    if (!status.changed && PyBytes_CheckExact(photo.ptr())) return photo;
    const size_t size = lvx_edit_size(planned.edit);
    py::object out = py::reinterpret_steal<py::object>(PyBytes_FromStringAndSize(nullptr, Py_ssize_t(size)));
    if (!out) throw py::error_already_set();
    auto* to = reinterpret_cast<uint8_t*>(PyBytes_AS_STRING(out.ptr()));
    {
        // Nobody else holds the new object yet.
        py::gil_scoped_release unlocked;
        code = lvx_edit_write(planned.edit, view.data(), view.size(), to, size, &status);
    }
    if (code != LVX_OK) raise(code, status);
    return out;
}

py::dict statusDict(const lvx_status& status) {
    py::dict result;
    result["outcome"] = std::string(status.outcome);
    result["changed"] = status.changed != 0;
    result["route"] = std::string(status.route);
    result["message"] = std::string(status.message);
    return result;
}

template <typename Call>
py::dict editFile(Call call) {
    lvx_status status{};
    int code;
    {
        py::gil_scoped_release unlocked;
        code = call(&status);
    }
    if (code != LVX_OK) raise(code, status);
    return statusDict(status);
}

int fileFlags(bool backup, bool dryRun) { return (backup ? 0 : LVX_NO_BACKUP) | (dryRun ? LVX_DRY_RUN : 0); }

lvx_regenerate_options regenerateOptions(std::pair<int, int> box, int quality) {
    return {box.first, box.second, quality};
}

py::dict photoDict(const lvx_photo* photo) {
    py::dict facts;
    facts["make"] = std::string(lvx_photo_make(photo));
    facts["model"] = std::string(lvx_photo_model(photo));
    facts["datetime_original"] = std::string(lvx_photo_datetime_original(photo));
    facts["orientation"] = lvx_photo_orientation(photo);
    facts["width"] = lvx_photo_width(photo);
    facts["height"] = lvx_photo_height(photo);
    facts["size"] = lvx_photo_size(photo);
    size_t size = 0;
    const uint8_t* thumbnail = lvx_photo_thumbnail(photo, &size);
    facts["thumbnail"] =
        thumbnail ? py::object(py::bytes(reinterpret_cast<const char*>(thumbnail), size)) : py::object(py::none());
    py::list copies;
    for (size_t i = 0; i < lvx_photo_copy_count(photo); ++i) {
        lvx_copy copy;
        lvx_photo_copy(photo, i, &copy);
        py::dict item;
        item["kind"] = std::string(copy.kind);
        item["name"] = std::string(copy.name);
        item["offset"] = copy.offset;
        item["length"] = copy.length;
        copies.append(item);
    }
    facts["copies"] = copies;
    return facts;
}

py::dict checkDict(const lvx_check* check) {
    py::dict result;
    result["verdict"] = std::string(lvx_check_verdict(check));
    const std::string reason = lvx_check_reason(check);
    result["reason"] = reason.empty() ? py::object(py::none()) : py::object(py::str(reason));
    double score = 0;
    result["score"] = lvx_check_score(check, &score) ? py::object(py::float_(score)) : py::object(py::none());
    py::list copies;
    for (size_t i = 0; i < lvx_check_copy_count(check); ++i) {
        lvx_checked_copy copy;
        lvx_check_copy(check, i, &copy);
        py::dict item;
        item["kind"] = std::string(copy.kind);
        item["name"] = std::string(copy.name);
        item["verdict"] = std::string(copy.verdict);
        item["reason"] = copy.reason[0] ? py::object(py::str(copy.reason)) : py::object(py::none());
        item["score"] = copy.has_score ? py::object(py::float_(copy.score)) : py::object(py::none());
        copies.append(item);
    }
    result["copies"] = copies;
    return result;
}

// The tool's command line as a job; kept with its arguments so that it can be sent to other processes.
class Job {
  public:
    explicit Job(std::vector<std::string> args) : args_(std::move(args)) {
        std::vector<const char*> words;
        for (const std::string& arg : args_) words.push_back(arg.c_str());
        lvx_status status{};
        const int code = lvx_job_new(words.data(), words.size(), &job_, &status);
        if (code != LVX_OK) raise(code, status);
    }
    ~Job() { lvx_job_free(job_); }
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    const std::vector<std::string>& args() const { return args_; }

    py::list photos() {
        size_t count = 0;
        lvx_status status{};
        int code;
        {
            py::gil_scoped_release unlocked;
            code = lvx_job_list(job_, &count, &status);
        }
        if (code != LVX_OK) raise(code, status);
        py::list list;
        for (size_t i = 0; i < count; ++i) {
            lvx_job_photo photo;
            lvx_job_photo_at(job_, i, &photo);
            list.append(py::make_tuple(py::bytes(photo.path), py::bytes(photo.output),
                                       photo.ready_line ? py::object(py::str(photo.ready_line)) : py::none()));
        }
        return list;
    }

    py::tuple run(const std::string& path, const std::string& output) {
        char* line = nullptr;
        int failed = 0;
        lvx_status status{};
        int code;
        {
            py::gil_scoped_release unlocked;
            code = lvx_job_run(job_, path.c_str(), output.c_str(), &line, &failed, &status);
        }
        if (code != LVX_OK) raise(code, status);
        std::string text(line);
        lvx_free(line);
        return py::make_tuple(py::str(text), failed != 0);
    }

    // A whole chunk in one call, without the GIL: its JSON lines, each ended by a line feed (JSON text holds
    // none of its own), and how many of them count as failures. One string back instead of a tuple a photo.
    py::tuple runMany(const std::vector<std::pair<std::string, std::string>>& photos) {
        std::string lines;
        size_t failures = 0;
        lvx_status status{};
        int code = LVX_OK;
        {
            py::gil_scoped_release unlocked;
            for (const auto& [path, output] : photos) {
                char* line = nullptr;
                int failed = 0;
                code = lvx_job_run(job_, path.c_str(), output.c_str(), &line, &failed, &status);
                const std::unique_ptr<char, void (*)(void*)> owned(line, lvx_free);
                if (code != LVX_OK) break;
                lines += line;
                lines += '\n';
                failures += failed != 0;
            }
        }
        if (code != LVX_OK) raise(code, status);
        return py::make_tuple(py::str(lines), failures);
    }

  private:
    std::vector<std::string> args_;
    lvx_job* job_ = nullptr;
};

}  // namespace

PYBIND11_MODULE(_lumivex, m) {
    m.doc() = "The native part of the lumivex module; use the lumivex package.";
    errorType =
        py::reinterpret_borrow<py::object>(py::handle(PyErr_NewException("lumivex.Error", PyExc_Exception, nullptr)));
    m.attr("Error") = errorType;
    py::register_exception_translator([](std::exception_ptr raised) {
        try {
            if (raised) std::rethrow_exception(raised);
        } catch (const LumivexError& error) {
            py::object instance = errorType(error.message);
            instance.attr("code") = error.code;
            instance.attr("outcome") = error.outcome;
            PyErr_SetObject(errorType.ptr(), instance.ptr());
        }
    });
    m.attr("__version__") = lvx_version();

    m.def("read_bytes", [](py::buffer data) {
        View view(data);
        lvx_photo* photo = nullptr;
        lvx_status status{};
        int code;
        {
            py::gil_scoped_release unlocked;
            code = lvx_photo_read_bytes(view.data(), view.size(), &photo, &status);
        }
        if (code != LVX_OK) raise(code, status);
        py::dict facts = photoDict(photo);
        lvx_photo_free(photo);
        return facts;
    });
    m.def("read_path", [](const std::string& path) {
        lvx_photo* photo = nullptr;
        lvx_status status{};
        int code;
        {
            py::gil_scoped_release unlocked;
            code = lvx_photo_read_path(path.c_str(), &photo, &status);
        }
        if (code != LVX_OK) raise(code, status);
        py::dict facts = photoDict(photo);
        lvx_photo_free(photo);
        return facts;
    });
    m.def("replace_thumbnail", [](py::buffer photo, py::buffer thumbnail) {
        View p(photo), t(thumbnail);
        return plannedBytes(photo, p, [&](lvx_edit** edit, lvx_status* status) {
            return lvx_edit_replace_thumbnail(p.data(), p.size(), t.data(), t.size(), edit, status);
        });
    });
    m.def("delete_thumbnail", [](py::buffer photo) {
        View p(photo);
        return plannedBytes(photo, p, [&](lvx_edit** edit, lvx_status* status) {
            return lvx_edit_delete_thumbnail(p.data(), p.size(), edit, status);
        });
    });
    m.def("regenerate", [](py::buffer photo, std::pair<int, int> box, int quality) {
        View p(photo);
        const lvx_regenerate_options options = regenerateOptions(box, quality);
        return editBytes([&](uint8_t** out, size_t* size, lvx_status* status) {
            return lvx_regenerate(p.data(), p.size(), &options, out, size, status);
        });
    });
    m.def("replace_thumbnail_file", [](const std::string& path, py::buffer thumbnail, bool backup, bool dryRun) {
        View t(thumbnail);
        return editFile([&](lvx_status* status) {
            return lvx_replace_thumbnail_path(path.c_str(), t.data(), t.size(), fileFlags(backup, dryRun), status);
        });
    });
    m.def("delete_thumbnail_file", [](const std::string& path, bool backup, bool dryRun) {
        return editFile([&](lvx_status* status) {
            return lvx_delete_thumbnail_path(path.c_str(), fileFlags(backup, dryRun), status);
        });
    });
    m.def("regenerate_file",
          [](const std::string& path, std::pair<int, int> box, int quality, bool backup, bool dryRun) {
              const lvx_regenerate_options options = regenerateOptions(box, quality);
              return editFile([&](lvx_status* status) {
                  return lvx_regenerate_path(path.c_str(), &options, fileFlags(backup, dryRun), status);
              });
          });
    m.def("check_bytes", [](py::buffer photo) {
        View p(photo);
        lvx_check* check = nullptr;
        lvx_status status{};
        int code;
        {
            py::gil_scoped_release unlocked;
            code = lvx_check_bytes(p.data(), p.size(), &check, &status);
        }
        if (code != LVX_OK) raise(code, status);
        py::dict result = checkDict(check);
        lvx_check_free(check);
        return result;
    });
    m.def("check_path", [](const std::string& path) {
        lvx_check* check = nullptr;
        lvx_status status{};
        int code;
        {
            py::gil_scoped_release unlocked;
            code = lvx_check_path(path.c_str(), &check, &status);
        }
        if (code != LVX_OK) raise(code, status);
        py::dict result = checkDict(check);
        lvx_check_free(check);
        return result;
    });
    py::class_<Job>(m, "Job")
        .def(py::init<std::vector<std::string>>())
        .def_property_readonly("args", &Job::args)
        .def("photos", &Job::photos)
        .def("run", &Job::run, py::arg("path"), py::arg("output") = "")
        .def("run_many", &Job::runMany, py::arg("photos"))
        .def(py::pickle(
            [](const Job& job) { return py::make_tuple(job.args()); },
            [](const py::tuple& state) { return std::make_unique<Job>(state[0].cast<std::vector<std::string>>()); }));
}
