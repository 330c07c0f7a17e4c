HEADM adc "Vibrato: Deep" vibrato 2 2 0 vibrato-out vibrato-out ;=20,20,80,0
LFO wobble 5 1 0 ;=20,120,80,0
MIX2 sum adc-in1 adc-in2 0.5 0.5 ;=140,20,80,0
CHORUS vibrato sum-out wobble-out 8 1 1 ;=260,20,80,0
TAIL "Tosk demo"
