// The five board file commands as a receiving copy carries them out, each on
// its own files: no picture data travels. What fails is told in a message.
// Saves are written in the background, so that no peer's command holds the
// window up for the time a large board takes to reach the disk.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <string>

#include "board/board_files.h"
#include "support/dialogs.h"

namespace kovra {

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

  // "NewKV" width height: a new board of at least 100 by 100; nothing for
  // a missing, unreadable or non-positive size.
  void NewKV(const std::string& args);
  // "ImageKV_Load" and "ImageKV_Save": the working file.
  void Load(const std::string& args);
  void Save(const std::string& args);
  // "ImageKV_LoadFromFile" and "ImageKV_SaveToFile": a name in the picture
  // folder; a save replaces a picture of that name without asking.
  void LoadFromFile(const std::string& args);
  void SaveToFile(const std::string& args);

 private:
  // Whether a bitmap of width by height may replace target; when not, the
  // sender is told why.
  bool RoomFor(qint64 width, qint64 height, const QString& target, bool in_picture_folder);
  // Tells the sender what became of a save written in the background.
  PictureSaver::Done Outcome();

  BoardFiles& files_;
  Dialogs& dialogs_;
  DiskAllowance allowance_;
};

}  // namespace kovra
