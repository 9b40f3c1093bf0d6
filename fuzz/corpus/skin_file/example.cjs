; Quillmark Orvane skin "Slate".
; To use it, put this file at x\o.cjs in the folder of "Quillmark Orvane.exe".
[Quillmark Orvane Skin]
Version = 1
Window = #DCE3EC
Frame = #C5D1E0
Label = #C5D1E0
Text = #1F2A44
Edit = #F7FAFD
EditText = #1F2A44
Button = #2F5D8A
ButtonText = #FFFFFF
