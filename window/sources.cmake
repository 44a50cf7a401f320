# SPDX-License-Identifier: MIT
# Sources of window/: LOGIC_SOURCES need no widget (QtCore at most); GUI_SOURCES are widgets and CLarkspur members.
list(APPEND LOGIC_SOURCES
  window/CommandLine.cpp
  window/Contrast.cpp
  window/DropRules.cpp
  window/FolderLocations.cpp
  window/ItemPreview.cpp
  window/ItemTexts.cpp
  window/KeyboardRules.cpp
  window/LayoutRules.cpp
  window/ListOrder.cpp
  window/MenuRules.cpp
  window/ShownText.cpp
  window/Utils.cpp
  window/WindowTexts.cpp
)
list(APPEND GUI_SOURCES
  window/CEndRequests.cpp
  window/CLarkspur.cpp
  window/CLarkspur_Keyboard.cpp
  window/CLarkspur_Layout.cpp
  window/CLarkspur_List.cpp
  window/CLarkspur_Preview.cpp
  window/CLarkspur_Tree.cpp
  window/ConsoleView.cpp
  window/GCFListModel.cpp
  window/GCFListViewItem.cpp
  window/GCFTreeNode.cpp
  window/Images.cpp
  window/ItemViews.cpp
  window/PictureDecoding.cpp
  window/PreviewPane.cpp
  window/QtDesktop.cpp
  resources/larkspur.qrc
)
