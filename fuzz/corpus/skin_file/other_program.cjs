[Skin]
Version=1
Window=#12G456
