[Quillmark Orvane Skin]
Version=1
Window=#111111
[Night]
Window=#222222
ButtonText=#FFFFFF
