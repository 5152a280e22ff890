#include "editor/range/range_save_win.h"

#include <vector>

#include "common/message.h"
#include "editor/commands/messages.h"
#include "editor/pipeline/whole_movie_win.h"

bool SaveRangeStreams(PAVISTREAM* streams, int count, const std::wstring& destination) {
  std::vector<AVICOMPRESSOPTIONS> options(static_cast<size_t>(count));
  std::vector<AVICOMPRESSOPTIONS*> list(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) list[static_cast<size_t>(i)] = &options[static_cast<size_t>(i)];
  if (!AVISaveOptions(nullptr, ICMF_CHOOSE_KEYFRAME | ICMF_CHOOSE_DATARATE | ICMF_CHOOSE_PREVIEW,
                      count, streams, list.data()))
    return false;
  // The destination's folder becomes current, and the file its name with ".AVI".
  const size_t slash = destination.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"." : destination.substr(0, slash + 1);
  std::wstring name = slash == std::wstring::npos ? destination : destination.substr(slash + 1);
  const size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos) name.resize(dot);
  name += L".AVI";
  SetCurrentDirectoryW(folder.c_str());
  const std::wstring path = folder + name;
  bool saved = ownavi::AVISaveVW(path.c_str(), nullptr, ReportSaveProgress, count, streams,
                                 list.data()) == 0;
  if (!saved &&
      ShowMessage("ストリームの保存に失敗してしまいましたわ。\nためしに未圧縮で保存してみますか？",
                  "あと少しですのに", MessageButtons::YesNo) == MessageAnswer::Yes) {
    saved =
        ownavi::AVISaveVW(path.c_str(), nullptr, ReportSaveProgress, count, streams, nullptr) == 0;
    if (!saved)
      ShowMessage("またしても失敗ですわ。\n保存先のファイルが使用中でないか確かめてください。",
                  "またですわ");
  }
  AVISaveOptionsFree(count, list.data());
  return saved;
}
