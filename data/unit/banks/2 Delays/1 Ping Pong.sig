HEADM adc "Ping Pong" pong 2 2 0 pong-outl pong-outr ;=20,20,80,0
PINGPONG pong adc-in1 adc-in2 375 0.5 0.4 ;=140,20,80,0
TAIL "Tosk demo"
