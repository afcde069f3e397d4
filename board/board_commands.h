// The five board file commands as a receiving copy carries them out, each on
// its own files: no picture data travels. What fails is told in a message.
#pragma once

#include <string>

#include "board/board_files.h"
#include "support/dialogs.h"

namespace kovra {

class ReceivedBoardCommands {
 public:
  ReceivedBoardCommands(BoardFiles& files, Dialogs& dialogs) : files_(files), dialogs_(dialogs) {}

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
  BoardFiles& files_;
  Dialogs& dialogs_;
};

}  // namespace kovra
