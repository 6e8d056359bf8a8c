´	º	Í!Í Tarnlok boot disk
$