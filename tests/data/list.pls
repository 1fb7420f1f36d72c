[playlist]
File1=/m/a.mp3
Title1=A
file2 = rel/b.mp3
NumberOfEntries=2
Version=2
