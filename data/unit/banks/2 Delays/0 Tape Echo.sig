HEADM adc "Tape Echo" echo 2 2 0 echoL-out echoR-out ;=20,20,80,0
DELAY echoL adc-in1 96000 320 0.45 0.35 ;=140,20,80,0
DELAY echoR adc-in2 96000 330 0.4 0.35 ;=140,100,80,0
TAIL "Tosk demo"
