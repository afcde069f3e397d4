// The five board file commands as a receiving copy carries them out, each on
// its own files: no picture data travels. What fails is told in a message.
// Saves are written in the background, so that no peer's command holds the
// window up for the time a large board takes to reach the disk.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>
#include <string>

#include "board/board_files.h"
#include "support/dialogs.h"
#include "support/text_command.h"

namespace kovra {

namespace command {
inline const std::string kNewKV = "NewKV";
inline const std::string kLoad = "ImageKV_Load";
inline const std::string kSave = "ImageKV_Save";
inline const std::string kLoadFromFile = "ImageKV_LoadFromFile";
inline const std::string kSaveToFile = "ImageKV_SaveToFile";
}  // namespace command

namespace files {
// "NewKV": width height; a missing or unreadable number is 0.
struct NewKV {
  int width = 0;
  int height = 0;
  static const std::string& Name() { return command::kNewKV; }
  std::string Build() const;
  static NewKV Parse(const std::string& args);
};
// The working file; any argument text is passed over.
using Load = TextCommand<command::kLoad>;
using Save = TextCommand<command::kSave>;
// A name in the picture folder.
using LoadFromFile = TextCommand<command::kLoadFromFile>;
using SaveToFile = TextCommand<command::kSaveToFile>;
}  // namespace files

// What a peer's saves may take of this computer's disk: each must leave
// some of the disk free, and the picture folder has a ceiling.
struct DiskAllowance {
  qint64 min_free_bytes = qint64{1} << 30;
  int min_free_percent = 10;
  qint64 picture_folder_bytes = qint64{2} << 30;
};

// The defaults, or what the user wrote in the settings file. A value that
// is no whole number of 0 or more keeps its default, and its key is added
// to not_understood.
DiskAllowance ReadDiskAllowance(const QString& settings_file, QStringList& not_understood);

class ReceivedBoardCommands {
 public:
  ReceivedBoardCommands(BoardFiles& files, Dialogs& dialogs) : files_(files), dialogs_(dialogs) {}

  void SetAllowance(const DiskAllowance& allowance) { allowance_ = allowance; }
  // Why a bitmap of width by height may not replace target, or nullopt
  // when it may: every picture written for a peer's sake passes here.
  std::optional<QString> Refusal(qint64 width, qint64 height, const QString& target,
                                 bool in_picture_folder) const;
  // The same for the board as it is, kept in the picture folder as name.
  std::optional<QString> PictureRefusal(const QString& name) const {
    return Refusal(files_.Width(), files_.Height(), files_.PicturePath(name), true);
  }

  // A new board of at least 100 by 100; nothing for a non-positive size.
  void NewKV(const files::NewKV& size);
  // The working file.
  void Load(const files::Load&);
  void Save(const files::Save&);
  // A save replaces a picture of that name without asking.
  void LoadFromFile(const files::LoadFromFile& name);
  void SaveToFile(const files::SaveToFile& name);

 private:
  // Whether a bitmap of width by height may replace target; when not, the
  // sender is told why (see Refusal).
  bool RoomFor(qint64 width, qint64 height, const QString& target, bool in_picture_folder);
  // Tells the sender what became of a save written in the background.
  PictureSaver::Done Outcome();

  BoardFiles& files_;
  Dialogs& dialogs_;
  DiskAllowance allowance_;
};

}  // namespace kovra
