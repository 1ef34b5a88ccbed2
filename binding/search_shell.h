// The shell of every cell search reachable from Python. A search is described once (its
// parameters and the engine work it makes of its converted arguments, searches.h) and
// run over a source of cells, which fixes the receiver, the cells, the interpreter lock
// and the class of the found cells:
//   SheetCells<Traits>  the cells of the sheet an object holds, sorted by row, then
//                       column, anew at every call, under the sheet's read lock (Sheet,
//                       ReadableSheet)
//   a list source       the caller's `cells` list, read into records (the module
//                       functions of sheafwork.readable)
//
// The work a description makes is callable over an engine::CellList, or over the
// engine::Sheet itself for the searches that look a key up in the cell map; a sheet
// source calls the Sheet form when there is one and otherwise builds the sorted list.
// Found handles are copied while the sheet's lock is held and wrapped after.
#pragma once

#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "binding/frame/frame.h"
#include "engine/base/error.h"
#include "engine/model/sheet.h"
#include "engine/search/cell_list.h"

namespace binding {

using HandleClass = Class<engine::Shared<engine::Cell>>;

// Python results of the engine's answers: a cell or None, a list of cells, a value text
// or None, a list of value texts; an engine error becomes RuntimeError.
inline Ref found_to_python(HandleClass& cls, engine::OptionalCell found) {
  return found ? cls.wrap(std::move(*found)) : none();
}
inline Ref found_to_python(HandleClass& cls, engine::CellHandles found) {
  return cls.wrap_all(std::move(found));
}
inline Ref found_to_python(HandleClass&, const std::string& text) { return to_python(text); }
inline Ref found_to_python(HandleClass&, const std::optional<std::string>& text) {
  return to_python(text);
}
inline Ref found_to_python(HandleClass&, const std::vector<std::string>& texts) {
  return make_list(texts.size(), [&](size_t i) { return to_python(texts[i]); });
}
template <class T>
Ref found_to_python(HandleClass& cls, engine::Result<T> result) {
  return found_to_python(cls, or_raise(std::move(result)));
}

// One callable out of several, for works that have both a list and a Sheet form.
template <class... F>
struct Overload : F... {
  using F::operator()...;
};

// Runs `work` over `sheet`: its Sheet form when it has one, else over the sorted cells.
// The caller holds the sheet's read lock.
template <class Work>
auto over_sheet(Work& work, const engine::Sheet& sheet) {
  if constexpr (std::is_invocable_v<Work&, const engine::Sheet&>) {
    return work(sheet);
  } else {
    const engine::LentHandles<engine::Cell> cells = sheet.lend_sorted_cells();
    return work(cells.view());
  }
}

// `sig` as a method of `class_name`.
constexpr Signature method_signature(Signature sig, const char* class_name) {
  sig.class_name = class_name;
  return sig;
}

// Whether `Search` runs without the interpreter lock where its source allows it: every
// search but those that declare kHoldsLock (a lookup of one key costs less than handing
// the lock over).
template <class Search>
constexpr bool releases_lock() {
  if constexpr (requires { Search::kHoldsLock; }) {
    return !Search::kHoldsLock;
  } else {
    return true;
  }
}

// A sheet class as a source of cells. Traits: kClassName ("Sheet"), sheets() and cells()
// (the classes of the receiver and of found cells), kReleasesLock.
template <class Traits>
struct SheetCells {
  template <class Search>
  static constexpr Signature kSignature =
      method_signature(Search::kSignature, Traits::kClassName);

  // Receiver and borrow, then the arguments, then the search.
  template <class Search>
  static Ref run(PyObject* self, const Arguments& a) {
    auto& object = Traits::sheets().receiver(self);
    SharedBorrow borrow(object.borrow);
    auto work = Search::prepare(a);
    auto search = [&] {
      auto sheet = object.payload.read();
      return over_sheet(work, *sheet);
    };
    if constexpr (Traits::kReleasesLock && releases_lock<Search>()) {
      return found_to_python(Traits::cells(), allow_threads(search));
    } else {
      return found_to_python(Traits::cells(), search());
    }
  }
};

// The entry point of search `Search` over `Source`.
template <class Search, class Source>
PyObject* run_search(PyObject* self, PyObject* const* args, Py_ssize_t nargs,
                     PyObject* kwnames) {
  return call([&] {
    const Arguments a(Source::template kSignature<Search>, args, nargs, kwnames);
    return Source::template run<Search>(self, a);
  });
}

// The method-table entry of search `Search` over `Source`.
template <class Search, class Source>
PyMethodDef search_method() {
  return method<Source::template kSignature<Search>>(run_search<Search, Source>);
}

}  // namespace binding
